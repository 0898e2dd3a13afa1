#include "Preferences/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace quillmere {

namespace {

// The frame margins last seen on a framed window of this program.
QMargins& lastSeenFrame() {
    static QMargins margins;
    return margins;
}

// The window's own margins; none until it is framed.
QMargins ownFrame(const QWidget* window) {
    if (!window->isVisible()) {
        return {};
    }
    const QRect client = window->geometry();
    const QRect frame = window->frameGeometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

} // namespace

QRect WindowPlacement::centred(const QRect& area, QSize clientSize, const QMargins& frame) {
    const QSize framed = clientSize.grownBy(frame);
    const int left = std::max(area.left(), area.left() + (area.width() - framed.width()) / 2);
    const int top = std::max(area.top(), area.top() + (area.height() - framed.height()) / 2);
    return {QPoint(left + frame.left(), top + frame.top()), clientSize};
}

QRect WindowPlacement::keptWithin(const QRect& client, const QMargins& frame, const QRect& area) {
    const QRect framed = client.marginsAdded(frame);
    const int left =
        std::clamp(framed.left(), area.left(), std::max(area.left(), area.right() - framed.width() + 1));
    const int top =
        std::clamp(framed.top(), area.top(), std::max(area.top(), area.bottom() - framed.height() + 1));
    return {QPoint(left + frame.left(), top + frame.top()), client.size()};
}

QMargins WindowPlacement::frameMargins(const QWidget* window) {
    const QMargins own = ownFrame(window);
    if (!own.isNull()) {
        lastSeenFrame() = own;
        return own;
    }
    return lastSeenFrame();
}

void WindowPlacement::noteFrame(const QWidget* window) {
    const QMargins own = ownFrame(window);
    if (!own.isNull()) {
        lastSeenFrame() = own;
    }
}

QRect WindowPlacement::availableArea(const QWidget* window, const QRect& client) {
    if (const QScreen* screen = QGuiApplication::screenAt(client.center())) {
        return screen->availableGeometry();
    }
    if (const QScreen* screen = window->screen()) {
        return screen->availableGeometry();
    }
    return {};
}

void WindowPlacement::centre(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) {
        return;
    }
    // A watch left by an earlier centring would move the window back.
    delete window->findChild<WindowPlacement*>(QString(), Qt::FindDirectChildrenOnly);
    const bool framed = !ownFrame(window).isNull();
    const QMargins frame = frameMargins(window);
    const QRect placed = centred(screen->availableGeometry(), window->size(), frame);
    window->setGeometry(placed);
    if (!framed) {
        new WindowPlacement(window, placed, frame);
    }
}

void WindowPlacement::restore(QWidget* window, const QRect& client) {
    const QRect area = availableArea(window, client);
    window->setGeometry(area.isEmpty() ? client : keptWithin(client, frameMargins(window), area));
}

WindowPlacement::WindowPlacement(QWidget* window, const QRect& placed, const QMargins& assumed)
    : QObject(window), m_window(window), m_placed(placed), m_assumed(assumed) {
    window->installEventFilter(this);
    m_giveUp.setSingleShot(true);
    m_giveUp.setInterval(kFrameWaitMilliseconds);
    connect(&m_giveUp, &QTimer::timeout, this, &QObject::deleteLater);
    m_giveUp.start();
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (!m_window || m_done || (watched != m_window && watched != m_window->windowHandle())) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Hide:
        m_done = true;
        deleteLater();
        break;
    case QEvent::Show:
        // The window system's window exists now; it is told when the window is mapped and drawn,
        // by when its frame is known (framing leaves the client rectangle where it is, so the
        // window itself may hear of nothing).
        if (QWindow* handle = m_window->windowHandle()) {
            handle->installEventFilter(this);
        }
        [[fallthrough]];
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Expose:
    case QEvent::UpdateRequest:
    case QEvent::WindowActivate: {
        const QMargins frame = ownFrame(m_window);
        if (frame.isNull()) {
            break;
        }
        noteFrame(m_window);
        m_done = true;
        // Framed now: centred again on the real frame, unless someone moved the window meanwhile.
        const QRect now = m_window->geometry();
        if (frame != m_assumed && now.topLeft() == m_placed.topLeft()) {
            if (const QScreen* screen = m_window->screen()) {
                m_window->setGeometry(centred(screen->availableGeometry(), now.size(), frame));
            }
        }
        deleteLater();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillmere
