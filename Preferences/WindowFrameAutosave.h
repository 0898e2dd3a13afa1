#pragma once

#include "VexoExtensions/UserDefaults.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <memory>
#include <optional>

class QWidget;

namespace quillmere {

// Keeps a window's frame in a preferences domain under a name, as the window changes: after a
// move or resize settles, whenever the window is hidden, and when the keeper goes away.
//
// The frame is kept as one text, "x y width height screenX screenY screenWidth screenHeight"
// (the window's client rectangle, title bar and borders excluded, and the available rectangle of
// its screen, in whole points).
class WindowFrameAutosave final : public QObject {
    Q_OBJECT

public:
    // How long the window must rest before its frame is written (a drag writes once).
    static constexpr int settleMilliseconds = 400;

    WindowFrameAutosave(QWidget* window, std::shared_ptr<brisquel::vexo::UserDefaults> defaults,
                        QString name);
    ~WindowFrameAutosave() override;

    const QString& name() const { return m_name; }

    // Gives the window the size saved in an earlier run, within its minimum size and its
    // screen; false when nothing usable was saved.
    bool restoreSize();
    // The window rectangle saved under the name; none when nothing usable is saved (or the domain
    // cannot be read).
    std::optional<QRect> savedFrame() const;
    // Writes the window's frame now.
    bool save();

    static QString frameString(const QRect& frame, const QRect& screen);
    // The window rectangle of a frame text; none when the text is not one.
    static std::optional<QRect> parseFrame(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::shared_ptr<brisquel::vexo::UserDefaults> m_defaults;
    QString m_name;
    QTimer m_settle;
    QString m_lastSaved;
};

} // namespace quillmere
