// feedback-form-demo: the feedback form on its own, sending to the endpoint given, as the
// application's Help menu would open it.
//
//   feedback-form-demo [--endpoint http://127.0.0.1:8765/email/app-feedback] [--timeout seconds]

#include "ContactForm/ContactForm.h"
#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/FeedbackWindow.h"
#include "VexoExtensions/MainBundle.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The feedback form, sending to the endpoint given."));
    parser.addHelpOption();
    const QCommandLineOption endpointOption(
        QStringLiteral("endpoint"),
        QStringLiteral("The feedback endpoint (https, or http on a loopback host)."),
        QStringLiteral("address"), QStringLiteral("http://127.0.0.1:8765/email/app-feedback"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Seconds to wait for the endpoint's answer."),
                                           QStringLiteral("seconds"), QStringLiteral("60"));
    parser.addOptions({endpointOption, timeoutOption});
    parser.process(application);

    bool timeoutOk = false;
    const int timeout = parser.value(timeoutOption).toInt(&timeoutOk);
    if (!timeoutOk || timeout < 1) {
        qWarning("feedback-form-demo: the time-out must be a whole number of seconds, at least 1");
        return 2;
    }

    // The application's own identity, with the endpoint given.
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), QStringLiteral("Quillmere")},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(QUILLMERE_VERSION)},
        {QStringLiteral("CFBundleVersion"), QStringLiteral("1")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.tamberline.Quillmere")},
        {QStringLiteral("email-url"), parser.value(endpointOption)},
    });
    quillmere::ContactForm contactForm;
    contactForm.sendFeedback();
    quillmere::ContactForm::feedbackWindowController()->contentViewController()->setRequestTimeout(
        std::chrono::seconds(timeout));
    return QApplication::exec();
}
