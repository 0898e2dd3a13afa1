// The form in its window, sending to a loopback server: what it shows, when Send is on, what the
// server receives, how each outcome is shown and what stays, the cancel question, the keyboard, and
// the one window every command shows.

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/ContactForm.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/ContactForm/FeedbackWorld.h"

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

#include <gtest/gtest.h>

using namespace quillmere;
using contactformtest::FeedbackWorld;
using contactformtest::photoToolInfo;
using Pairs = QList<QPair<QString, QString>>;

namespace {

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
    int row = 0, column = 0, span = 0;
    grid->getItemPosition(grid->indexOf(world.form->debugEmailButton()), &row, &column, &span, &span);
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QLayoutItem* item = grid->itemAtPosition(row, c);
        EXPECT_FALSE(item && item->widget() && item->widget()->isVisibleTo(world.window)) << c;
    }
    EXPECT_GE(world.window->width(), FeedbackWindow::kMinimumWidth);
    EXPECT_EQ(world.window->minimumSize(), world.window->maximumSize());
    EXPECT_FALSE(world.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST(ContactForm, SendFollowsTheTrimmedMessageAndIsOffWhileARequestIsOut) {
    FeedbackWorld world;
    QSignalSpy changes(world.form, &ContactFormViewController::sendEnabledChanged);
    for (const auto& [body, on] : {std::pair{"\n\t \u00a0\u2003", false},
                                   {".", true},
                                   {"  x \n", true},
                                   {"", false},
                                   {"   ", false},
                                   {"\n\nHello", true}}) {
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
    EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("\n\nHello"));
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
    EXPECT_EQ(world.server.requests.first().method, QByteArray("GET"));
    EXPECT_EQ(world.server.requests.first().path(), QByteArray("/in"));
    EXPECT_EQ(
        world.server.requests.first().queryPairs(),
        (Pairs{{QStringLiteral("NAME"), QStringLiteral("Ann")},
               {QStringLiteral("FROM"), QStringLiteral("photo tool@feedback.example.com")},
               {QStringLiteral("SUBJECT"), QStringLiteral("Photo Tool Feedback")},
               {QStringLiteral("BODY"), QStringLiteral("a\u00a0b \n\n\n\n-------\nPhoto Tool 2.1 (57)")}}));
}

TEST(ContactForm, ThanksAndClosesOnSuccessNamesTheStatusOtherwiseAndKeepsTheText) {
    for (const auto& [status, reason] : {std::pair{204, "No Content"}, {503, "<b>Down</b>"}}) {
        FeedbackWorld world;
        world.server.answerEverything({.status = status, .reason = reason});
        world.fill(QStringLiteral("Ann"), QString(), QStringLiteral("Keep me"));
        QTest::mouseClick(world.button("sendButton"), Qt::LeftButton);
        world.window->close(); // the outcome shows the window again
        ASSERT_TRUE(world.click(nullptr).has_value());
        ASSERT_NE(world.alert(), nullptr);
        EXPECT_EQ(world.alert()->text(), status == 204 ? QStringLiteral("Thank you for your feedback!")
                                                       : QStringLiteral("Your feedback could not be sent."));
        const QString shown = world.shownInformativeText();
        EXPECT_TRUE(status == 204 || shown.contains(QStringLiteral("503, <b>Down</b>")))
            << shown.toStdString();
        world.answerAlert();
        EXPECT_EQ(world.window->isVisible(), status != 204);
        EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Keep me"));
    }
}

TEST(ContactForm, AnEmailUrlThatCannotBeUsedSendsNothingButSaysWhyAndLogsIt) {
    for (const char* entry : {"no scheme here", "http://feedback.example.com/in"}) {
        QVariantMap info = photoToolInfo();
        info.insert(QStringLiteral("email-url"), QString::fromUtf8(entry));
        FeedbackWorld world(info);
        world.fill(QString(), QString(), QStringLiteral("Hello"));
        const auto outcome = world.click(world.button("sendButton"));
        ASSERT_TRUE(outcome.has_value());
        EXPECT_FALSE(*outcome);
        EXPECT_EQ(world.server.connections, 0);
        EXPECT_TRUE(world.shownInformativeText().contains(QString::fromUtf8(entry)));
        const QStringList lines = world.platform.log->systemLines();
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Feedback not sent: ")))
            << lines.first().toStdString();
        EXPECT_FALSE(lines.first().contains(QStringLiteral("Hello")));
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
        {"", "", "", nullptr, false},   {"", "", "", "Another", false}, {"Ann", "", "", nullptr, true},
        {"", "a@b", "", nullptr, true}, {"", "", "   ", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        FeedbackWorld world;
        world.fill(QString::fromUtf8(c.name), QString::fromUtf8(c.email), QString::fromUtf8(c.body),
                   c.subject ? QString::fromUtf8(c.subject) : QString());
        QTest::mouseClick(world.button("cancelButton"), Qt::LeftButton);
        EXPECT_EQ(world.window->isVisible(), c.asks);
        EXPECT_EQ(world.platform.log->systemLines(),
                  c.asks ? QStringList()
                         : QStringList{QStringLiteral("Form is empty. Dismissing feedback window")});
        if (!c.asks)
            continue;
        EXPECT_EQ(world.alert()->text(), QStringLiteral("Are you sure you want to cancel?"));
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
    QApplication::setActiveWindow(world.window);
    QTest::keyClick(world.window, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), world.form->bodyField());
    QTest::keyClick(world.window, Qt::Key_E, Qt::AltModifier);
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
    QApplication::setActiveWindow(world.window);
    QTest::keyClick(world.form->bodyField(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(world.click(nullptr).has_value());
    EXPECT_EQ(world.server.requests.size(), 2);
}

// The process's one window: this is the only test that opens it.
TEST(ContactForm, EveryCommandShowsTheSameWindowWithTheSameText) {
    testsupport::FakePlatform platform;
    platform.install();
    brisquel::vexo::MainBundle::setInfoDictionary(photoToolInfo());
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
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
}

} // namespace
