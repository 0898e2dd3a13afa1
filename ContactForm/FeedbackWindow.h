#pragma once

#include <QWidget>

namespace quillmere {

class ContactFormViewController;

// The window of the feedback form, made around its view controller: titled "Send Feedback",
// closable, never resized, minimised or made full screen, at least 480 × 400 (larger only if
// the form's own layout needs more, which the shipped layout does not).
class FeedbackWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 480;
    static constexpr int kMinimumHeight = 400;

    // Takes ownership of the controller.
    explicit FeedbackWindow(ContactFormViewController* controller);

    ContactFormViewController* contentViewController() const { return m_controller; }

    static QString title();

public slots:
    // Shows the window and brings it to the front, with the keyboard focus in it; the first time,
    // centred on the active window.
    void showWindow();

private:
    ContactFormViewController* m_controller;
    bool m_placed = false;
};

} // namespace quillmere
