// The form in its window, sending to a loopback server: what it shows, when Send is on, what is sent,
// each outcome and what stays, the cancel question, the keyboard, the one window of every command.

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/ContactForm.h"
#include "ContactForm/FeedbackWindow.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileAnswer.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace quillmere;
using brisquel::vexo::MainBundle;
using brisquel::vexo::Result;
using testsupport::HttpAnswer;

namespace {

QVariantMap photoToolInfo() {
    return {{QStringLiteral("CFBundleName"), QStringLiteral("Photo Tool")},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("57")},
            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.PhotoTool")}};
}

// A feedback form of its own (not the process's shared one) for "Photo Tool 2.1 (57)", shown, sending
// to this world's server unless the dictionary names an "email-url"; the system log is recorded.
class FeedbackWorld {
public:
    explicit FeedbackWorld(QVariantMap info = photoToolInfo()) {
        platform.install();
        server.answerEverything({});
        if (!info.contains(QStringLiteral("email-url")))
            info.insert(QStringLiteral("email-url"), server.url(QStringLiteral("/in")).toString());
        MainBundle::setInfoDictionary(info);
        window = std::make_unique<FeedbackWindow>(new ContactFormViewController);
        form = window->contentViewController();
        window->showWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    ~FeedbackWorld() {
        window.reset(); // sheets are children of the window and go with it
        MainBundle::setInfoDictionary(std::nullopt);
    }

    void fill(const char* name, const char* email, const char* body, const char* subject = nullptr) {
        form->nameField()->setText(QString::fromUtf8(name));
        form->emailField()->setText(QString::fromUtf8(email));
        form->subjectField()->setText(subject ? QString::fromUtf8(subject) : form->subjectField()->text());
        form->bodyField()->setPlainText(QString::fromUtf8(body));
    }
    // Clicks this button (if any) and waits for the outcome of the submission.
    std::optional<Result> click(QPushButton* button) {
        QSignalSpy handled(form, &ContactFormViewController::feedbackHandled);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        if (handled.isEmpty() && !handled.wait(20'000))
            return std::nullopt;
        return handled.first().first().value<Result>();
    }
    QPushButton* button(const char* name) const {
        return form->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    // The alert sheet open on the window, if any, and its informative text as the user reads it.
    QMessageBox* alert() const {
        return form->alert() && form->alert()->isVisible() ? form->alert() : nullptr;
    }
    QString shownInformativeText() const {
        QTextDocument document;
        document.setHtml(alert() ? alert()->informativeText() : QString());
        return document.toPlainText();
    }
    // Clicks the alert's button with this text (its only one when empty).
    void answerAlert(const QString& text = QString()) {
        for (QAbstractButton* button : alert() ? alert()->buttons() : QList<QAbstractButton*>()) {
            if (text.isEmpty() || button->text() == text) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    }

    testsupport::TestHttpServer server;
    testsupport::FakePlatform platform;
    std::unique_ptr<FeedbackWindow> window;
    ContactFormViewController* form = nullptr;
};

TEST(ContactForm, OpensWithTheSubjectItsCaptionAsPlainTextAndTheDebugRowOutOfSight) {
    QVariantMap info = photoToolInfo();
    info.insert(QStringLiteral("CFBundleName"), QStringLiteral("<b>Tool</b>"));
    FeedbackWorld world(info);
    EXPECT_EQ(world.form->subjectField()->text(), QStringLiteral("<b>Tool</b> Feedback"));
    auto* caption = world.form->findChild<QLabel*>(QStringLiteral("versionLabel"));
    EXPECT_EQ(caption->textFormat(), Qt::PlainText);
    EXPECT_EQ(caption->text(), QStringLiteral("<b>Tool</b> 2.1 (57)"));
    EXPECT_FALSE(world.button("sendButton")->isEnabled());
    auto* grid = qobject_cast<QGridLayout*>(world.form->emailGridView()->layout());
    int row = 0;
    int ignored = 0;
    grid->getItemPosition(grid->indexOf(world.form->debugEmailButton()), &row, &ignored, &ignored, &ignored);
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QLayoutItem* item = grid->itemAtPosition(row, c);
        EXPECT_FALSE(item && item->widget() && item->widget()->isVisibleTo(world.window.get())) << c;
    }
    EXPECT_EQ(world.window->minimumSize(), world.window->maximumSize());
    EXPECT_FALSE(world.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST(ContactForm, SendFollowsTheTrimmedMessageAndIsOffWhileARequestIsOut) {
    FeedbackWorld world;
    QSignalSpy changes(world.form, &ContactFormViewController::sendEnabledChanged);
    for (const auto& [body, on] :
         {std::pair{"\n\t \u00a0\u2003", false}, {".", true}, {"", false}, {"\n\nHello", true}}) {
        world.form->bodyField()->setPlainText(QString::fromUtf8(body));
        EXPECT_EQ(world.button("sendButton")->isEnabled(), on) << '"' << body << '"';
    }
    world.form->nameField()->setText(QStringLiteral("Ann"));
    EXPECT_EQ(changes.count(), 3);
    // While the request is out, Send is off and a second click sends nothing.
    world.server.answerEverything({.silent = true});
    world.form->setRequestTimeout(std::chrono::milliseconds(300));
    QTest::mouseClick(world.button("sendButton"), Qt::LeftButton);
    EXPECT_FALSE(world.button("sendButton")->isEnabled());
    world.form->submitAction();
    const auto outcome = world.click(nullptr);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(world.server.connections, 1);
    EXPECT_TRUE(world.shownInformativeText().contains(QStringLiteral("did not answer within 0.3 seconds")));
    EXPECT_TRUE(world.button("sendButton")->isEnabled());
}

TEST(ContactForm, SendsTheFieldsAsTypedInOneGet) {
    FeedbackWorld world;
    QPlainTextEdit* body = world.form->bodyField();
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("a"));
    body->insertPlainText(QStringLiteral("\u00a0b "));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClick(body, Qt::Key_Return, Qt::ShiftModifier);
    world.form->nameField()->setText(QStringLiteral("Ann"));
    world.form->debugEmailButton()->setChecked(true);
    ASSERT_TRUE(world.click(world.button("sendButton")).value());
    ASSERT_EQ(world.server.requests.size(), 1);
    const testsupport::ReceivedRequest& sent = world.server.requests.first();
    EXPECT_EQ(sent.method + ' ' + sent.path(), QByteArray("GET /in"));
    EXPECT_EQ(sent.queryPairs().value(3).second,
              QStringLiteral("a\u00a0b \n\n\n\n-------\nPhoto Tool 2.1 (57)"));
    EXPECT_EQ(sent.queryPairs().size(), 4); // the debug switch: no NOEMAIL
}

// Rows: the endpoint (null: the world's server), its answer, the words shown. Any 2xx status is
// delivery, whatever follows it (the body is never read: its hostile classes are the HTTP
// layer's); an endpoint that cannot be used is logged and nothing is sent.
TEST(ContactForm, ThanksAndClosesOnSuccessElseSaysWhyAndKeepsTheText) {
    using testsupport::HostileAnswer;
    const struct {
        const char* endpoint;
        HttpAnswer answer;
        const char* shown;
    } rows[] = {
        {nullptr, {.status = 204}, "Thank you for your feedback!"},
        {nullptr, {.status = 299}, "Thank you for your feedback!"},
        {nullptr, testsupport::hostileAnswer(HostileAnswer::SuccessWithAHugeBody),
         "Thank you for your feedback!"},
        {nullptr, testsupport::hostileAnswer(HostileAnswer::DrippingItsBody), "Thank you for your feedback!"},
        {nullptr, {.status = 199}, "The feedback server sent no complete answer."},
        {nullptr,
         {.status = 300, .reason = "<b>Moved</b>"},
         "The feedback server gave an answer that cannot be "
         "used here (HTTP status 300, <b>Moved</b>)."},
        {"http://feedback.example.com/in",
         {},
         "\u201chttp://feedback.example.com/in\u201d (email-url) does not use https"},
    };
    for (const auto& row : rows) {
        QVariantMap info = photoToolInfo();
        if (row.endpoint)
            info.insert(QStringLiteral("email-url"), QString::fromUtf8(row.endpoint));
        FeedbackWorld world(info);
        world.server.answerEverything(row.answer);
        world.fill("Ann", "", "Keep me");
        // A server's answer arrives later, and shows the window again when it was closed.
        const auto outcome = row.endpoint ? world.click(world.button("sendButton")) : [&world] {
            QTest::mouseClick(world.button("sendButton"), Qt::LeftButton);
            world.window->close();
            return world.click(nullptr);
        }();
        ASSERT_TRUE(outcome.has_value() && world.alert()) << row.shown;
        EXPECT_EQ(world.alert()->text(), *outcome ? QString::fromUtf8(row.shown)
                                                  : QStringLiteral("Your feedback could not be sent."));
        EXPECT_TRUE(*outcome || world.shownInformativeText().contains(QString::fromUtf8(row.shown)))
            << world.shownInformativeText().toStdString();
        world.answerAlert();
        EXPECT_EQ(world.window->isVisible(), !*outcome);
        EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Keep me"));
        EXPECT_EQ(world.server.connections, row.endpoint ? 0 : 1);
        const QStringList log = world.platform.log->systemLines();
        EXPECT_EQ(log.size(), row.endpoint ? 1 : 0);
        EXPECT_TRUE(log.isEmpty() || (log.first().startsWith(QStringLiteral("Feedback not sent: ")) &&
                                      !log.first().contains(QStringLiteral("Keep me"))));
    }
}

TEST(ContactForm, CancelClosesAnEmptyFormAtOnceAndAsksOtherwise) {
    const struct {
        const char* name;
        const char* email;
        const char* body;
        const char* subject; // null: as the form set it
        bool asks;
    } cases[] = {
        {"", "", "", nullptr, false},
        {"", "", "", "Another", false},
        {"Ann", "", "", nullptr, true},
        {"", "", "   ", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        FeedbackWorld world;
        world.fill(c.name, c.email, c.body, c.subject);
        QTest::mouseClick(world.button("cancelButton"), Qt::LeftButton);
        EXPECT_EQ(world.window->isVisible(), c.asks);
        EXPECT_EQ(world.platform.log->systemLines(),
                  c.asks ? QStringList()
                         : QStringList{QStringLiteral("Form is empty. Dismissing feedback window")});
        if (!c.asks)
            continue;
        EXPECT_EQ(world.alert()->defaultButton()->text(), QStringLiteral("Yes"));
        world.answerAlert(QStringLiteral("No"));
        EXPECT_TRUE(world.window->isVisible());
        QTest::mouseClick(world.button("cancelButton"), Qt::LeftButton);
        world.answerAlert(QStringLiteral("Yes"));
        EXPECT_FALSE(world.window->isVisible());
        EXPECT_EQ(world.form->nameField()->text(), QString::fromUtf8(c.name));
    }
}

TEST(ContactForm, TheKeyboardMovesTheFocusCancelsAndSendsWhenSendIsOn) {
    FeedbackWorld world;
    world.server.answerEverything({.status = 500}); // the window stays
    QApplication::setActiveWindow(world.window.get());
    QTest::keyClick(world.window.get(), Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), world.form->bodyField());
    QTest::keyClick(world.window.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), world.form->emailField());
    QTest::keyClick(world.form->bodyField(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(world.form->subjectField(), Qt::Key_Return);
    EXPECT_EQ(world.form->requestsInFlight(), 0); // nothing to send yet
    world.form->bodyField()->setPlainText(QStringLiteral("Typed"));
    QTest::keyClick(world.form->emailField(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&world] { return world.alert() != nullptr; }, 10'000));
    EXPECT_EQ(world.alert()->text(), QStringLiteral("Are you sure you want to cancel?"));
    world.answerAlert(QStringLiteral("No"));
    QTest::keyClick(world.form->subjectField(), Qt::Key_Return);
    EXPECT_EQ(world.form->requestsInFlight(), 1);
    ASSERT_TRUE(world.click(nullptr).has_value());
    world.answerAlert();
    QApplication::setActiveWindow(world.window.get());
    QTest::keyClick(world.form->bodyField(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(world.click(nullptr).has_value());
    EXPECT_EQ(world.server.requests.size(), 2);
}

// The process's one window: this is the only test that opens it.
TEST(ContactForm, EveryCommandShowsTheSameWindowWithTheSameText) {
    testsupport::FakePlatform platform;
    platform.install();
    MainBundle::setInfoDictionary(photoToolInfo());
    ContactForm menuCommand;
    menuCommand.sendFeedback();
    FeedbackWindow* window = ContactForm::feedbackWindowController();
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
    window->contentViewController()->subjectField()->setText(QStringLiteral("Edited"));
    window->close();
    ContactForm().sendFeedback();
    EXPECT_EQ(ContactForm::feedbackWindowController(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->contentViewController()->subjectField()->text(), QStringLiteral("Edited"));
    window->close();
    MainBundle::setInfoDictionary(std::nullopt);
}

} // namespace
