// The form in its window, sending to a loopback server: what it shows, when Send is on, what is sent,
// each outcome and what stays, the cancel question, the keyboard, the one window of every command.

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/ContactForm.h"
#include "ContactForm/FeedbackWindow.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileAnswer.h"

#include <QApplication>
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
using brisquel::vexo::Result;
using testsupport::HttpAnswer;

namespace {

QVariantMap photoToolInfo(const QString& name = QStringLiteral("Photo Tool")) {
    return {{QStringLiteral("CFBundleName"), name},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("57")},
            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.PhotoTool")}};
}

// A form of its own (not the process's shared one) for "Photo Tool 2.1 (57)", shown, sending to this
// world's server unless the dictionary names an "email-url"; the system log is recorded.
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

    // Clicks this button (if any) and waits for the outcome of the submission: true when delivered.
    bool click(QPushButton* button) {
        QSignalSpy handled(form, &ContactFormViewController::feedbackHandled);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(!handled.isEmpty() || handled.wait(20'000));
        return !handled.isEmpty() && handled.first().first().value<Result>();
    }
    // The alert sheet open on the window, if any, its informative text as the user reads it, and a
    // click on its button with this text (its only one when empty).
    QMessageBox* alert() const {
        return form->alert() && form->alert()->isVisible() ? form->alert() : nullptr;
    }
    QString shownInformativeText() const {
        return QTextDocumentFragment::fromHtml(alert() ? alert()->informativeText() : QString())
            .toPlainText();
    }
    void answerAlert(const QString& text = QString()) {
        for (QAbstractButton* button : alert() ? alert()->buttons() : QList<QAbstractButton*>()) {
            if (text.isEmpty() || button->text() == text)
                return QTest::mouseClick(button, Qt::LeftButton);
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    }

    testsupport::TestHttpServer server;
    testsupport::FakePlatform platform;
    std::unique_ptr<FeedbackWindow> window;
    ContactFormViewController* form = nullptr;
};

TEST(ContactForm, OpensWithTheSubjectItsCaptionAsPlainTextAndTheDebugRowOutOfSight) {
    FeedbackWorld world(photoToolInfo(QStringLiteral("<b>Tool</b>")));
    EXPECT_EQ(world.form->subjectField()->text(), QStringLiteral("<b>Tool</b> Feedback"));
    auto* caption = world.form->findChild<QLabel*>(QStringLiteral("versionLabel"));
    EXPECT_TRUE(caption->textFormat() == Qt::PlainText &&
                caption->text() == QStringLiteral("<b>Tool</b> 2.1 (57)"));
    EXPECT_FALSE(world.form->sendButton()->isEnabled());
    for (const char* name : {"debugEmailLabel", "debugEmailButton"})
        EXPECT_FALSE(
            world.form->findChild<QWidget*>(QString::fromLatin1(name))->isVisibleTo(world.window.get()));
    EXPECT_EQ(world.window->minimumSize(), world.window->maximumSize());
    EXPECT_FALSE(world.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST(ContactForm, SendFollowsTheTrimmedMessageAndIsOffWhileARequestIsOut) {
    FeedbackWorld world;
    for (const auto& [body, on] :
         {std::pair{"\n\t \u00a0\u2003", false}, {".", true}, {"\n\nHello", true}, {"", false}}) {
        world.form->bodyField()->setPlainText(QString::fromUtf8(body));
        EXPECT_EQ(world.form->sendButton()->isEnabled(), on) << '"' << body << '"';
    }
    QTest::keyClick(world.form->subjectField(), Qt::Key_Return); // Return in a field is Send, when on
    EXPECT_EQ(world.server.connections, 0);
    world.form->bodyField()->setPlainText(QStringLiteral("Hello"));
    // While the request is out, Send is off and a second click sends nothing.
    world.server.answerEverything({.silent = true});
    world.form->setRequestTimeout(std::chrono::milliseconds(300));
    QTest::mouseClick(world.form->sendButton(), Qt::LeftButton);
    EXPECT_FALSE(world.form->sendButton()->isEnabled());
    world.form->submitAction();
    EXPECT_FALSE(world.click(nullptr));
    EXPECT_EQ(world.server.connections, 1);
    EXPECT_TRUE(world.shownInformativeText().contains(QStringLiteral("did not answer within 0.3 seconds")));
    EXPECT_TRUE(world.form->sendButton()->isEnabled());
}

TEST(ContactForm, SendsTheFieldsAsTypedInOneGet) {
    FeedbackWorld world;
    QPlainTextEdit* body = world.form->bodyField();
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("a"));
    body->insertPlainText(QStringLiteral("\u00a0b "));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClick(body, Qt::Key_Return, Qt::ShiftModifier);
    world.form->debugEmailButton()->setChecked(true);
    QTest::keyClick(world.form->nameField(), Qt::Key_Return);
    ASSERT_TRUE(world.click(nullptr));
    ASSERT_EQ(world.server.requests.size(), 1);
    const testsupport::ReceivedRequest& sent = world.server.requests.first();
    EXPECT_EQ(sent.method + ' ' + sent.path(), QByteArray("GET /in"));
    EXPECT_EQ(sent.queryPairs().value(3).second,
              QStringLiteral("a\u00a0b \n\n\n\n-------\nPhoto Tool 2.1 (57)"));
    EXPECT_EQ(sent.queryPairs().size(), 4); // the debug switch: no NOEMAIL
}

// Rows: the endpoint (null: the world's server), its answer, the words shown (null: thanks). Any 2xx
// status is delivery, whatever follows it (the body is never read: its hostile classes are the HTTP
// layer's); an endpoint that cannot be used is logged and nothing is sent.
TEST(ContactForm, ThanksAndClosesOnSuccessElseSaysWhyAndKeepsTheText) {
    using enum testsupport::HostileAnswer;
    const std::tuple<const char*, HttpAnswer, const char*> rows[] = {
        {nullptr, {.status = 299}, nullptr},
        {nullptr, testsupport::hostileAnswer(SuccessWithAHugeBody), nullptr},
        {nullptr, testsupport::hostileAnswer(DrippingItsBody), nullptr},
        {nullptr, {.status = 199}, "The feedback server sent no complete answer."},
        {nullptr, {.status = 300, .reason = "<b>M</b>"}, "cannot be used here (HTTP status 300, <b>M</b>)."},
        {"http://f.example.com/in", {}, "\u201chttp://f.example.com/in\u201d (email-url) does not use https"},
    };
    for (const auto& [endpoint, answer, shown] : rows) {
        QVariantMap info = photoToolInfo();
        if (endpoint)
            info.insert(QStringLiteral("email-url"), QString::fromUtf8(endpoint));
        FeedbackWorld world(info);
        world.server.answerEverything(answer);
        world.form->bodyField()->setPlainText(QStringLiteral("Keep me"));
        // A server's answer arrives later, and shows the window again when it was closed.
        EXPECT_EQ(endpoint ? world.click(world.form->sendButton()) : [&world] {
            QTest::mouseClick(world.form->sendButton(), Qt::LeftButton);
            world.window->close();
            return world.click(nullptr);
        }(), shown == nullptr);
        ASSERT_TRUE(world.alert()) << shown;
        EXPECT_EQ(world.alert()->text(), shown ? QStringLiteral("Your feedback could not be sent.")
                                               : ContactFormViewController::thankYouText());
        EXPECT_TRUE(!shown || world.shownInformativeText().contains(QString::fromUtf8(shown)))
            << world.shownInformativeText().toStdString();
        world.answerAlert();
        EXPECT_EQ(world.window->isVisible(), shown != nullptr);
        EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Keep me"));
        EXPECT_EQ(world.server.connections, endpoint ? 0 : 1);
        const QString log = world.platform.log->systemLines().join(u'\n');
        EXPECT_TRUE(endpoint ? log.startsWith(QStringLiteral("Feedback not sent: ")) && !log.contains(u'K')
                             : log.isEmpty())
            << log.toStdString();
    }
}

// Rows: the name, the message and the subject typed (null: as the form set it), whether Cancel asks
// (Yes by default; No keeps the form) or closes the form at once and logs that.
TEST(ContactForm, CancelClosesAnEmptyFormAtOnceAndAsksOtherwise) {
    const std::tuple<const char*, const char*, const char*, bool> rows[] = {{"", "", nullptr, false},
                                                                            {"", "", "Another", false},
                                                                            {"Ann", "", nullptr, true},
                                                                            {"", "   ", nullptr, true}};
    for (const auto& [name, body, subject, asks] : rows) {
        FeedbackWorld world;
        world.form->nameField()->setText(QString::fromUtf8(name));
        world.form->bodyField()->setPlainText(QString::fromUtf8(body));
        if (subject)
            world.form->subjectField()->setText(QString::fromUtf8(subject));
        QTest::mouseClick(world.form->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(world.platform.log->systemLines(),
                  asks ? QStringList()
                       : QStringList{QStringLiteral("Form is empty. Dismissing feedback window")});
        EXPECT_EQ(world.window->isVisible(), asks) << name << body;
        if (asks) {
            EXPECT_EQ(world.alert()->defaultButton()->text(), QStringLiteral("Yes"));
            world.answerAlert(QStringLiteral("No"));
            EXPECT_TRUE(world.window->isVisible() &&
                        world.form->nameField()->text() == QString::fromUtf8(name));
            QTest::mouseClick(world.form->cancelButton(), Qt::LeftButton);
            world.answerAlert(QStringLiteral("Yes"));
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
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
    window->contentViewController()->subjectField()->setText(QStringLiteral("Edited"));
    window->close();
    ContactForm().sendFeedback();
    EXPECT_TRUE(ContactForm::feedbackWindowController() == window && window->isVisible());
    EXPECT_EQ(window->contentViewController()->subjectField()->text(), QStringLiteral("Edited"));
    window->close();
    MainBundle::setInfoDictionary(std::nullopt);
}

} // namespace
