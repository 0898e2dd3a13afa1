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

// A feedback form of its own (never the process's shared one) for Photo Tool, whose endpoint
// ("email-url") is this world's loopback server (answering 200 until told otherwise) unless the
// dictionary handed in says otherwise;
// the system log is recorded. The application's dictionary is restored when the world ends.
class FeedbackWorld {
public:
    explicit FeedbackWorld(const QVariantMap& info = photoToolInfo());
    ~FeedbackWorld();
    FeedbackWorld(const FeedbackWorld&) = delete;
    FeedbackWorld& operator=(const FeedbackWorld&) = delete;

    // Shows the window and waits until it is on screen.
    void show();
    // How the server answers every request from now on: this status, and a Location when given;
    // or never.
    void answerWith(int status, const QByteArray& reason, const QByteArray& location = {});
    void neverAnswer();

    // Types into the fields (the subject is left as the form set it when `subject` is null).
    void fill(const QString& name, const QString& email, const QString& body,
              const QString& subject = QString());
    // Clicks Send and waits for the outcome to be shown; none when nothing ended in time.
    std::optional<brisquel::vexo::Result> send();
    // Waits for the outcome of a submission already started.
    std::optional<brisquel::vexo::Result> waitForOutcome();

    QPushButton* sendButton() const;
    QPushButton* cancelButton() const;
    // The alert sheet open on the window, if any; its informative text as the user reads it.
    QMessageBox* alert() const;
    static QString shownInformativeText(QMessageBox* box);
    // Clicks the alert's button with this text (its default button when empty).
    void answerAlert(const QString& buttonText = QString());

    testsupport::TestHttpServer server;
    testsupport::FakePlatform platform;
    quillmere::FeedbackWindow* window = nullptr;
    quillmere::ContactFormViewController* form = nullptr;

private:
    std::unique_ptr<quillmere::FeedbackWindow> m_window;
};

} // namespace contactformtest
