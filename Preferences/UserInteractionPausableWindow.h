#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QSet>

class QMenu;

namespace quillmere {

// A window whose user input can be paused: while isUserInteractionEnabled() is false, the input a
// person makes in the window (clicks, drags, keys, the wheel, tablet, touch and gestures, and the
// context menus and shortcuts these would set off) is dropped before any widget of the window
// sees it. Everything else still arrives: the pointer moving, entering and leaving (so hover
// feedback stays right), activation and focus, paint, resize and close. The preferences window is
// always one of these. Any holder of the window may pause and resume it.
//
// The window never offers the command that hides its toolbar: it has no toolbar context menu.
//
// How the platform's input kinds map to Qt's events:
//   mouse down / up (left, right, other)  MouseButtonPress, MouseButtonRelease, MouseButtonDblClick
//                                         and their NonClientArea forms
//   mouse dragged (left, right, other)    MouseMove and NonClientAreaMouseMove with a button held;
//                                         a plain move with no button held passes
//   key down / up                         KeyPress, KeyRelease, and what they set off:
//                                         Shortcut, InputMethod. A press or release of a modifier
//                                         key alone (Shift, Control, Alt, Meta...) is the
//                                         platform's "flags changed" and passes
//   right click                           also ContextMenu
//   scroll wheel                          Wheel
//   tablet point, pressure                TabletPress, TabletMove, TabletRelease (pressure rides on
//                                         them); tablet proximity passes
//   gestures (magnify, rotate, swipe,     Gesture, GestureOverride, NativeGesture
//   smart magnify, begin/end)
//   direct touch                          TouchBegin, TouchUpdate, TouchEnd, TouchCancel
//   a drag from elsewhere                 DragEnter, DragMove, Drop (DragLeave passes)
// Quick Look (force click) has no Qt event.
class UserInteractionPausableWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit UserInteractionPausableWindow(QWidget* parent = nullptr);
    ~UserInteractionPausableWindow() override;

    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled);

    // The event kinds that are user input, built once on first use. MouseMove is in the set but
    // counts only while a button is held, and key events of modifier keys alone never count: see
    // isUserInteraction.
    static const QSet<QEvent::Type>& userInteractionEventTypes();
    // Whether an event is input that a pause drops.
    static bool isUserInteraction(const QEvent* event);

    // No menu of toolbars and docks: the toolbar cannot be hidden by the user.
    QMenu* createPopupMenu() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether an event for this receiver is aimed at this window (the window itself, a widget in
    // it, its native window, or a shortcut or action that lives in it).
    bool isInThisWindow(QObject* receiver) const;

    bool m_userInteractionEnabled = true;
};

} // namespace quillmere
