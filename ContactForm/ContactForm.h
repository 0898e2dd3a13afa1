#pragma once

#include <QObject>

namespace quillmere {

class FeedbackWindow;

// The feedback form's entry point: the application connects its "Send Feedback…" menu command to
// sendFeedback(). One form window serves the whole process: it is made at the first command and
// kept until the application quits, also while closed, so it keeps what was typed in it; every
// command shows that same window, text and all. Any number of ContactForm objects share it.
class ContactForm final : public QObject {
    Q_OBJECT

public:
    explicit ContactForm(QObject* parent = nullptr);

    // The shared form window; none before the first sendFeedback().
    static FeedbackWindow* feedbackWindowController();

public slots:
    // The menu command (the action sendFeedback:): makes the shared window if it does not exist
    // yet, then shows it and brings it to the front.
    void sendFeedback();
};

} // namespace quillmere
