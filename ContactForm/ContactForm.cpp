#include "ContactForm/ContactForm.h"

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/FeedbackWindow.h"

#include <QCoreApplication>
#include <QPointer>

namespace quillmere {

namespace {

QPointer<FeedbackWindow>& sharedWindow() {
    static QPointer<FeedbackWindow> window;
    return window;
}

} // namespace

ContactForm::ContactForm(QObject* parent) : QObject(parent) {}

FeedbackWindow* ContactForm::feedbackWindowController() {
    return sharedWindow();
}

void ContactForm::sendFeedback() {
    QPointer<FeedbackWindow>& window = sharedWindow();
    if (!window) {
        window = new FeedbackWindow(new ContactFormViewController);
        // It lives as long as the event loop, and goes while the application is still whole.
        if (QCoreApplication* application = QCoreApplication::instance()) {
            connect(application, &QCoreApplication::aboutToQuit, window,
                    [] { delete sharedWindow().data(); });
        }
    }
    window->showWindow();
}

} // namespace quillmere
