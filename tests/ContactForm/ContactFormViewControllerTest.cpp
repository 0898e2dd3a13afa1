// What a submission sends (sender, endpoint, encoding), then the form in its window sending to a loopback
// server: what it shows, when Send is on, each outcome and what stays, Cancel, the one shared window.

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/ContactForm.h"
#include "ContactForm/FeedbackQuery.h"
#include "ContactForm/FeedbackWindow.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileAnswer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

using namespace quillmere;
using brisquel::vexo::MainBundle;
using Pairs = QList<QPair<QString, QString>>;
using namespace Qt::Literals::StringLiterals;

namespace {

QVariantMap photoToolInfo(const QVariant& name = u"Photo Tool"_s) {
    return {{u"CFBundleName"_s, name},
            {u"CFBundleShortVersionString"_s, u"2.1"_s},
            {u"CFBundleVersion"_s, u"57"_s},
            {u"CFBundleIdentifier"_s, u"com.example.PhotoTool"_s}};
}

// Rows: the application's name and identifier, the address made when no e-mail is typed.
TEST(SenderAddress, IsTheEmailAsTypedElseOneMadeFromTheApplicationsIdentity) {
    const std::array<const char*, 3> rows[] = {
        {"Photo Tool", "", "photo tool@feedback."},
        {"Quillmere", "org..tamberline..app.", "quillmere@feedback.tamberline.org"},
        {"ÉCLAIR", "uk.co.maker.app", "éclair@feedback.maker.co.uk"},
    };
    for (const auto& [name, identifier, expected] : rows) {
        const AppInfo info(QVariantMap{{u"CFBundleName"_s, QString::fromUtf8(name)},
                                       {u"CFBundleIdentifier"_s, QString::fromUtf8(identifier)}});
        EXPECT_EQ(senderAddress(info, QString()), QString::fromUtf8(expected)) << identifier;
    }
}

// Rows: the "email-url" value, the endpoint taken or words of the refusal, which quotes the value.
TEST(FeedbackEndpoint, TakesAWebAddressAndRefusesAnythingElseWithItsReason) {
    const std::pair<QVariant, QString> rows[] = {
        {42, u"https://feedback.tamberline.com/email/app-feedback"_s}, // not a text, as when there is none
        {u"https://e.test:8443/in?old=1&x=2#top"_s, u"https://e.test:8443/in"_s},
        {u"file:///tmp/feedback"_s, u"no host"_s},
        {u"feedback.example.com/email"_s, u"no scheme"_s},
        {u"   "_s, u"it is empty"_s},
        {u"https://exa mple.com/"_s, u"not a valid web address"_s},
    };
    for (const auto& [value, expected] : rows) {
        const auto endpoint = feedbackEndpoint(value);
        const QString shown = endpoint ? endpoint->toString() : endpoint.result().message();
        EXPECT_TRUE(endpoint ? shown == expected
                             : shown.contains(expected) && shown.contains(value.toString()))
            << shown.toStdString();
    }
}

// A form of its own (not the process's shared one) for "Photo Tool 2.1 (57)", shown, sending to its server.
class FeedbackWorld {
public:
    explicit FeedbackWorld(const char* endpoint = nullptr, const char* name = "Photo Tool") {
        platform.install();
        server.answerEverything({});
        QVariantMap info = photoToolInfo(QString::fromUtf8(name));
        info.insert(u"email-url"_s, endpoint ? QString::fromUtf8(endpoint) : server.url(u"/in"_s).toString());
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

    // Clicks this (if any), closes the window if asked, and waits for the outcome: true when delivered.
    bool click(QPushButton* button, bool thenClose = false) {
        QSignalSpy handled(form, &ContactFormViewController::feedbackHandled);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        if (thenClose)
            window->close();
        EXPECT_TRUE(!handled.isEmpty() || handled.wait(20'000));
        return !handled.isEmpty() && handled.first().first().value<brisquel::vexo::Result>();
    }
    QMessageBox* alert() const {
        return form->alert() && form->alert()->isVisible() ? form->alert() : nullptr;
    }

    testsupport::TestHttpServer server;
    testsupport::FakePlatform platform;
    std::unique_ptr<FeedbackWindow> window;
    ContactFormViewController* form = nullptr;
};

// Texts from the bundle are shown as plain text in a window of one size; Send is on for a message that is
// more than white space and off while its request is out.
TEST(ContactForm, OpensPlainAndSendFollowsTheTrimmedMessageAndIsOffWhileARequestIsOut) {
    FeedbackWorld world(nullptr, "<b>Tool</b>");
    auto* caption = world.form->findChild<QLabel*>(u"versionLabel"_s);
    EXPECT_TRUE(caption->textFormat() == Qt::PlainText && caption->text() == u"<b>Tool</b> 2.1 (57)"_s);
    EXPECT_TRUE(world.form->debugEmailButton()->isHidden());
    EXPECT_EQ(world.window->minimumSize(), world.window->maximumSize());
    EXPECT_FALSE(world.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    for (const auto& [body, on] : {std::pair{".", true}, {"\n\t \u00a0\u2003", false}}) {
        world.form->bodyField()->setPlainText(QString::fromUtf8(body));
        EXPECT_EQ(world.form->sendButton()->isEnabled(), on) << '"' << body << '"';
    }
    QTest::keyClick(world.form->subjectField(), Qt::Key_Return); // Return in a field is Send, when on
    EXPECT_EQ(world.server.connections, 0);
    world.form->bodyField()->setPlainText(u"Hello"_s);
    world.server.answerEverything({.silent = true});
    world.form->setRequestTimeout(std::chrono::milliseconds(300));
    QTest::mouseClick(world.form->sendButton(), Qt::LeftButton);
    EXPECT_FALSE(world.form->sendButton()->isEnabled());
    world.form->submitAction();
    EXPECT_FALSE(world.click(nullptr));
    EXPECT_EQ(world.server.connections, 1);
    EXPECT_TRUE(world.alert()->informativeText().contains(u"within 0.3 seconds"_s));
    EXPECT_TRUE(world.form->sendButton()->isEnabled());
}

// Every text splits back exactly from the one GET; Return in the message is a new line, in a field Send.
TEST(ContactForm, SendsTheFieldsAsTypedInOneGet) {
    FeedbackWorld world;
    const QString text = u"a+b&c=d #e? %41%2B% two  spaces ;/\\'\" <b> café 😀👍🏽 日本語"_s;
    world.form->emailField()->setText(text);
    QPlainTextEdit* body = world.form->bodyField();
    body->insertPlainText(u"\u00a0"_s + text + u"\n\tb "_s);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClick(body, Qt::Key_Return, Qt::ShiftModifier);
    world.form->debugEmailButton()->setChecked(true);
    QTest::keyClick(world.form->nameField(), Qt::Key_Return);
    ASSERT_TRUE(world.click(nullptr));
    ASSERT_EQ(world.server.requests.size(), 1);
    const testsupport::ReceivedRequest& sent = world.server.requests.first();
    EXPECT_EQ(sent.method + ' ' + sent.path(), QByteArray("GET /in"));
    EXPECT_EQ(sent.queryPairs(),
              (Pairs{{u"NAME"_s, u"Photo Tool Feedback"_s},
                     {u"FROM"_s, text},
                     {u"SUBJECT"_s, u"Photo Tool Feedback"_s},
                     {u"BODY"_s, u"\u00a0"_s + text + u"\n\tb \n\n\n\n-------\nPhoto Tool 2.1 (57)"_s}}))
        << "the name not given, the subject as it opens, and the debug switch: no NOEMAIL";
}

// Rows: the endpoint (null: the world's server), its answer, the words shown (null: thanks). Any 2xx status
// is delivery, whatever follows (the body is never read: its hostile classes are the HTTP layer's), and it
// shows a closed window again; an endpoint that cannot be used is logged and nothing is sent.
TEST(ContactForm, ThanksAndClosesOnSuccessElseSaysWhyAndKeepsTheText) {
    using enum testsupport::HostileAnswer;
    const std::tuple<const char*, testsupport::HttpAnswer, const char*> rows[] = {
        {nullptr, {.status = 299}, nullptr},
        {nullptr, testsupport::hostileAnswer(SuccessWithAHugeBody), nullptr},
        {nullptr, testsupport::hostileAnswer(DrippingItsBody), nullptr},
        {nullptr, {.status = 199}, "The feedback server sent no complete answer."},
        {nullptr, {.status = 300, .reason = "<b>M</b>"}, "cannot be used here (HTTP status 300, <b>M</b>)."},
        {"http://f.example.com/in", {}, "\u201chttp://f.example.com/in\u201d (email-url) does not use https"},
    };
    for (const auto& [endpoint, answer, shown] : rows) {
        FeedbackWorld world(endpoint);
        world.server.answerEverything(answer);
        world.form->bodyField()->setPlainText(u"Keep me"_s);
        EXPECT_EQ(world.click(world.form->sendButton(), !endpoint), shown == nullptr);
        ASSERT_TRUE(world.alert()) << shown;
        const QString why = QTextDocumentFragment::fromHtml(world.alert()->informativeText()).toPlainText();
        EXPECT_EQ(world.alert()->text(),
                  shown ? u"Your feedback could not be sent."_s : u"Thank you for your feedback!"_s);
        EXPECT_TRUE(!shown || why.contains(QString::fromUtf8(shown))) << why.toStdString();
        world.alert()->button(QMessageBox::Ok)->click();
        EXPECT_EQ(world.window->isVisible(), shown != nullptr);
        EXPECT_EQ(world.form->bodyField()->toPlainText(), u"Keep me"_s);
        EXPECT_EQ(world.server.connections, endpoint ? 0 : 1);
        const QString log = world.platform.log->systemLines().join(u'\n');
        EXPECT_TRUE(endpoint ? log.startsWith(u"Feedback not sent: "_s) && !log.contains(u"Keep"_s)
                             : log.isEmpty())
            << log.toStdString();
    }
}

// Rows: the name and the message typed, whether Cancel asks (Yes by default, No keeps the form) or
// closes the form at once and logs that.
TEST(ContactForm, CancelClosesAnEmptyFormAtOnceAndAsksOtherwise) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"", "", false}, {"Ann", "", true}, {"", "   ", true}};
    for (const auto& [name, body, asks] : rows) {
        FeedbackWorld world;
        world.form->nameField()->setText(QString::fromUtf8(name));
        world.form->bodyField()->setPlainText(QString::fromUtf8(body));
        QTest::mouseClick(world.form->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(world.platform.log->systemLines().join(u'\n'),
                  asks ? QString() : u"Form is empty. Dismissing feedback window"_s);
        EXPECT_EQ(world.window->isVisible(), asks) << name << body;
        if (asks) {
            world.alert()->escapeButton()->click();
            EXPECT_TRUE(world.window->isVisible() &&
                        world.form->nameField()->text() == QString::fromUtf8(name));
            QTest::mouseClick(world.form->cancelButton(), Qt::LeftButton);
            world.alert()->defaultButton()->click();
            EXPECT_FALSE(world.window->isVisible());
        }
    }
}

// The process's one window: this is the only test that opens it.
TEST(ContactForm, EveryCommandShowsTheSameWindowWithTheSameText) {
    testsupport::FakePlatform().install();
    MainBundle::setInfoDictionary(photoToolInfo());
    ContactForm().sendFeedback();
    FeedbackWindow* window = ContactForm::feedbackWindowController();
    ASSERT_TRUE(window && window->isVisible());
    window->close();
    ContactForm().sendFeedback();
    EXPECT_TRUE(ContactForm::feedbackWindowController() == window && window->isVisible());
    window->close();
    MainBundle::setInfoDictionary(std::nullopt);
}

} // namespace
