#pragma once

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/FeedbackWindow.h"
#include "VexoExtensions/Result.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TestHttpServer.h"

#include <QVariantMap>

#include <memory>

class QMessageBox;
class QPushButton;

namespace contactformtest {

// The information dictionary of "Photo Tool 2.1 (57)", com.example.PhotoTool.
QVariantMap photoToolInfo();

// A feedback form of its own (never the process's shared one) for Photo Tool, shown, whose endpoint
// ("email-url") is this world's loopback server (answering 200) unless the dictionary says
// otherwise; the system log is recorded. The application's dictionary is restored at the end.
class FeedbackWorld {
public:
    explicit FeedbackWorld(const QVariantMap& info = photoToolInfo());
    ~FeedbackWorld();
    FeedbackWorld(const FeedbackWorld&) = delete;
    FeedbackWorld& operator=(const FeedbackWorld&) = delete;

    // Types into the fields (the subject is left as the form set it when `subject` is null).
    void fill(const QString& name, const QString& email, const QString& body,
              const QString& subject = QString());
    // Clicks this button and waits for the outcome of the submission; none when nothing ended.
    std::optional<brisquel::vexo::Result> click(QPushButton* button);

    QPushButton* button(const char* name) const;
    // The alert sheet open on the window, if any; its informative text as the user reads it.
    QMessageBox* alert() const;
    QString shownInformativeText() const;
    // Clicks the alert's button with this text (its only one when empty).
    void answerAlert(const QString& buttonText = QString());

    testsupport::TestHttpServer server;
    testsupport::FakePlatform platform;
    quillmere::FeedbackWindow* window = nullptr;
    quillmere::ContactFormViewController* form = nullptr;

private:
    std::unique_ptr<quillmere::FeedbackWindow> m_window;
};

} // namespace contactformtest
