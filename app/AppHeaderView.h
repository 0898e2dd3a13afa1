#pragma once

#include "AppFinder.h"

#include <QImage>
#include <QWidget>

class QLabel;

namespace quillmere {

// One sidebar row: the version's icon, its display name in the headline font and its bundle
// identifier as a caption below it.
class AppHeaderView final : public QWidget {
    Q_OBJECT

public:
    // The icon is drawn at this size (the size the platform gives application icons).
    static constexpr int iconSize = 32;

    // `icon` is the image read from the version's icon file; a null image shows the generic
    // application icon.
    AppHeaderView(brisquel::AppFinder::App app, const QImage& icon, QWidget* parent = nullptr);

    const brisquel::AppFinder::App& app() const { return m_app; }
    QLabel* iconLabel() const { return m_icon; }
    QLabel* nameLabel() const { return m_name; }
    QLabel* identifierLabel() const { return m_identifier; }

    // Shows the row as the selected one (text in the selection's colours).
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    // Reads an icon file into an image of at most iconSize points (at twice the pixels, for
    // sharp high-density screens); a null image when the file is missing or unreadable. Safe to
    // call away from the GUI thread.
    static QImage loadIcon(const QString& path);

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    brisquel::AppFinder::App m_app;
    QLabel* m_icon = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_identifier = nullptr;
    bool m_selected = false;
};

} // namespace quillmere
