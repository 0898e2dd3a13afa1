#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QWidget;

namespace quillmere {

// Places a top-level window by its framed geometry: the title bar and borders that the window
// manager adds count, so that a centred window looks centred, and a window shown again stands
// exactly where it was.
//
// A window's frame is known only once the window manager has framed it. Until then the frame
// last seen on any window of this program stands in for it (one program's windows get one kind of
// frame), and a window centred before its own frame was known is centred once more as soon as it
// is, unless it was moved meanwhile.
//
// Places are set and kept as the window's client rectangle (QWidget::geometry()): the one form
// that the window system keeps unchanged whether or not the window is framed yet, and across a
// hide and a show. A position that includes the frame is taken differently before and after the
// frame is known, so a window placed that way lands lower at its next showing.
class WindowPlacement final : public QObject {
    Q_OBJECT

public:
    // How long a window centred before it was framed waits for its frame.
    static constexpr int kFrameWaitMilliseconds = 3000;

    // The client rectangle that centres a window of `clientSize` with `frame` margins in `area`.
    // A window larger than the area keeps its frame's top-left corner (the title bar) inside.
    static QRect centred(const QRect& area, QSize clientSize, const QMargins& frame);
    // `client` moved, as little as it takes, so that the framed window lies within `area` (a
    // window larger than the area keeps its title bar inside).
    static QRect keptWithin(const QRect& client, const QMargins& frame, const QRect& area);

    // The window's frame margins once it is framed, else those last seen on a window of this
    // program, else none.
    static QMargins frameMargins(const QWidget* window);

    // Centres a top-level window on its screen's available area, framed geometry included: now,
    // and again once the window manager has framed it unless it has been moved by then.
    static void centre(QWidget* window);
    // Moves the window to a client rectangle kept on the screen it falls on (the window's own
    // screen when it falls on none).
    static void restore(QWidget* window, const QRect& client);

private:
    WindowPlacement(QWidget* window, const QRect& placed, const QMargins& assumed);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Remembers a framed window's margins for windows not framed yet.
    static void noteFrame(const QWidget* window);
    static QRect availableArea(const QWidget* window, const QRect& client);

    QPointer<QWidget> m_window;
    QRect m_placed;
    QMargins m_assumed;
    QTimer m_giveUp;
    bool m_done = false;
};

} // namespace quillmere
