#include "Preferences/UserInteractionPausableWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>

namespace quillmere {

UserInteractionPausableWindow::UserInteractionPausableWindow(QWidget* parent) : QMainWindow(parent) {}

UserInteractionPausableWindow::~UserInteractionPausableWindow() {
    if (!m_userInteractionEnabled) {
        qApp->removeEventFilter(this);
    }
}

void UserInteractionPausableWindow::setUserInteractionEnabled(bool enabled) {
    if (enabled == m_userInteractionEnabled) {
        return;
    }
    m_userInteractionEnabled = enabled;
    // Input reaches a widget without passing its window, and a click changes focus before the
    // widget's own filters run; only the application's filter sees it first. It is installed
    // only while paused, so a running window costs nothing.
    if (enabled) {
        qApp->removeEventFilter(this);
    } else {
        qApp->installEventFilter(this);
    }
}

const QSet<QEvent::Type>& UserInteractionPausableWindow::userInteractionEventTypes() {
    static const QSet<QEvent::Type> types = {
        QEvent::MouseButtonPress,
        QEvent::MouseButtonRelease,
        QEvent::MouseButtonDblClick,
        QEvent::MouseMove,
        QEvent::NonClientAreaMouseButtonPress,
        QEvent::NonClientAreaMouseButtonRelease,
        QEvent::NonClientAreaMouseButtonDblClick,
        QEvent::NonClientAreaMouseMove,
        QEvent::KeyPress,
        QEvent::KeyRelease,
        QEvent::Shortcut,
        QEvent::InputMethod,
        QEvent::ContextMenu,
        QEvent::Wheel,
        QEvent::TabletPress,
        QEvent::TabletMove,
        QEvent::TabletRelease,
        QEvent::Gesture,
        QEvent::GestureOverride,
        QEvent::NativeGesture,
        QEvent::TouchBegin,
        QEvent::TouchUpdate,
        QEvent::TouchEnd,
        QEvent::TouchCancel,
        QEvent::DragEnter,
        QEvent::DragMove,
        QEvent::Drop,
    };
    return types;
}

namespace {

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

} // namespace

bool UserInteractionPausableWindow::isUserInteraction(const QEvent* event) {
    const QEvent::Type type = event->type();
    if (!userInteractionEventTypes().contains(type)) {
        return false;
    }
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseMove:
        // A drag; a plain move keeps hover feedback alive.
        return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return !isModifierKey(static_cast<const QKeyEvent*>(event)->key());
    default:
        return true;
    }
}

QMenu* UserInteractionPausableWindow::createPopupMenu() {
    return nullptr;
}

bool UserInteractionPausableWindow::isInThisWindow(QObject* receiver) const {
    if (receiver == windowHandle()) {
        return true;
    }
    if (receiver->isWidgetType()) {
        return static_cast<QWidget*>(receiver)->window() == this;
    }
    if (const auto* shortcut = qobject_cast<QShortcut*>(receiver)) {
        const auto* owner = qobject_cast<QWidget*>(shortcut->parent());
        return owner && owner->window() == this;
    }
    if (const auto* action = qobject_cast<QAction*>(receiver)) {
        // An action fires for the window in which its shortcut was pressed: one shown in this
        // window, or one that belongs to it.
        const QList<QObject*> owners = action->associatedObjects();
        for (QObject* owner : owners) {
            if (owner->isWidgetType() && static_cast<QWidget*>(owner)->window() == this) {
                return true;
            }
        }
        const auto* parent = qobject_cast<QWidget*>(action->parent());
        return parent && parent->window() == this;
    }
    return false;
}

bool UserInteractionPausableWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!m_userInteractionEnabled && isUserInteraction(event) && isInThisWindow(watched)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quillmere
