// Sending the form through its window to a loopback server in the test process: what the server
// receives, how each answer is shown, and what stays in the form afterwards.

#include "ContactForm/ContactFormViewController.h"
#include "tests/ContactForm/FeedbackWorld.h"

#include <QApplication>
#include <QCheckBox>
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
using testsupport::TestHttpServer;
using Pairs = QList<QPair<QString, QString>>;

namespace {

const QString kFooter = QStringLiteral("\n\n-------\nPhoto Tool 2.1 (57)");
const QString kCouldNotSend = QStringLiteral("Your feedback could not be sent.");

QVariantMap infoWithEmailURL(const QVariant& emailURL) {
    QVariantMap info = photoToolInfo();
    info.insert(QStringLiteral("email-url"), emailURL);
    return info;
}

TEST(FeedbackSubmissionTest, SendsOneGetWithThePairsInOrderAndNothingElse) {
    FeedbackWorld world;
    world.show();
    world.fill(QString(), QString(), QStringLiteral("Hello"));
    const auto outcome = world.send();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(*outcome) << outcome->message().toStdString();

    ASSERT_EQ(world.server.requests.size(), 1);
    const testsupport::ReceivedRequest& request = world.server.requests.first();
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.path(), QByteArray("/email/app-feedback"));
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_FALSE(request.hasHeader("Content-Length"));
    EXPECT_FALSE(request.hasHeader("Content-Type"));
    EXPECT_EQ(request.queryPairs(),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("FROM"), QStringLiteral("photo tool@feedback.example.com")},
                     {QStringLiteral("SUBJECT"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("BODY"), QStringLiteral("Hello") + kFooter},
                     {QStringLiteral("NOEMAIL"), QStringLiteral("on")}}));
}

TEST(FeedbackSubmissionTest, TheDebugSwitchOnSendsFourPairsAndFilledFieldsGoAsTyped) {
    FeedbackWorld world;
    world.show();
    world.fill(QStringLiteral("Ann"), QStringLiteral("ann@example.org"), QStringLiteral(" Hi "),
               QStringLiteral("Crash"));
    world.form->debugEmailButton()->setChecked(true);
    ASSERT_TRUE(world.send().has_value());
    ASSERT_EQ(world.server.requests.size(), 1);
    EXPECT_EQ(world.server.requests.first().queryPairs(),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral("Ann")},
                     {QStringLiteral("FROM"), QStringLiteral("ann@example.org")},
                     {QStringLiteral("SUBJECT"), QStringLiteral("Crash")},
                     {QStringLiteral("BODY"), QStringLiteral(" Hi ") + kFooter}}));
}

TEST(FeedbackSubmissionTest, EveryTextReachesTheServerExactlyAsTyped) {
    const QString hostile = QStringLiteral("a+b & c=d #e %41 %2B 100% \"q\" <b>x</b>\nnext line\r\n\ttab "
                                           "😀 café 日本語 ");
    FeedbackWorld world;
    world.show();
    world.fill(hostile, hostile, hostile, hostile);
    ASSERT_TRUE(world.send().has_value());
    ASSERT_EQ(world.server.requests.size(), 1);
    const Pairs pairs = world.server.requests.first().queryPairs();
    ASSERT_EQ(pairs.size(), 5);
    EXPECT_EQ(pairs[0].second, hostile);
    EXPECT_EQ(pairs[1].second, hostile);
    EXPECT_EQ(pairs[2].second, hostile);
    // The text view keeps line breaks as line feeds: a carriage return does not survive typing.
    const QString body = world.form->bodyField()->toPlainText();
    EXPECT_EQ(body, QString(hostile).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(pairs[3].second, body + kFooter);
}

struct StatusCase {
    int status;
    const char* reason;
    bool success;
};

TEST(FeedbackSubmissionTest, A2xxAnswerThanksAndClosesAnyOtherNamesTheStatusAndKeepsTheText) {
    const StatusCase cases[] = {
        {200, "OK", true},
        {204, "No Content", true},
        {299, "Whatever", true},
        {300, "Multiple Choices", false},
        {404, "Not Found", false},
        {414, "URI Too Long", false},
        {500, "Internal Server Error", false},
        {503, "<b>Down</b> for maintenance", false},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.status);
        FeedbackWorld world;
        world.answerWith(c.status, c.reason);
        world.show();
        world.fill(QStringLiteral("Ann"), QStringLiteral("ann@example.org"), QStringLiteral("Keep me"));
        const auto outcome = world.send();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(bool(*outcome), c.success) << outcome->message().toStdString();
        QMessageBox* alert = world.alert();
        ASSERT_NE(alert, nullptr);
        if (c.success) {
            EXPECT_EQ(alert->text(), QStringLiteral("Thank you for your feedback!"));
            world.answerAlert();
            EXPECT_FALSE(world.window->isVisible());
        } else {
            EXPECT_EQ(alert->text(), kCouldNotSend);
            const QString shown = FeedbackWorld::shownInformativeText(alert);
            EXPECT_TRUE(shown.contains(QString::number(c.status))) << shown.toStdString();
            EXPECT_TRUE(shown.contains(QString::fromUtf8(c.reason))) << shown.toStdString();
            EXPECT_FALSE(shown.contains(QStringLiteral("Keep me"))) << "the message is not quoted back";
            world.answerAlert();
            EXPECT_TRUE(world.window->isVisible());
        }
        // Closing the window, or not, never clears a field.
        EXPECT_EQ(world.form->nameField()->text(), QStringLiteral("Ann"));
        EXPECT_EQ(world.form->emailField()->text(), QStringLiteral("ann@example.org"));
        EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Keep me"));
        EXPECT_EQ(world.form->subjectField()->text(), QStringLiteral("Photo Tool Feedback"));
    }
}

TEST(FeedbackSubmissionTest, AServerThatNeverAnswersEndsInATimeOutAndTheTextStays) {
    FeedbackWorld world;
    world.neverAnswer();
    world.form->setRequestTimeout(std::chrono::milliseconds(300));
    world.show();
    world.fill(QString(), QString(), QStringLiteral("Anyone there?"));
    QSignalSpy received(&world.server, &TestHttpServer::requestReceived);
    QTest::mouseClick(world.sendButton(), Qt::LeftButton);
    // While the request is out, Send stays off.
    ASSERT_TRUE(received.count() > 0 || received.wait(20'000));
    EXPECT_FALSE(world.sendButton()->isEnabled());
    EXPECT_EQ(world.form->requestsInFlight(), 1);

    const auto outcome = world.waitForOutcome();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(*outcome);
    ASSERT_NE(world.alert(), nullptr);
    EXPECT_TRUE(FeedbackWorld::shownInformativeText(world.alert())
                    .contains(QStringLiteral("did not answer within 0.3 seconds")))
        << outcome->message().toStdString();
    EXPECT_TRUE(world.window->isVisible());
    EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Anyone there?"));
    EXPECT_TRUE(world.sendButton()->isEnabled());
}

TEST(FeedbackSubmissionTest, ARefusedConnectionIsToldInPlainWords) {
    QUrl endpoint(QStringLiteral("http://127.0.0.1/email/app-feedback"));
    endpoint.setPort(testsupport::closedPort());
    FeedbackWorld world(infoWithEmailURL(endpoint.toString()));
    world.show();
    world.fill(QString(), QString(), QStringLiteral("Hello"));
    const auto outcome = world.send();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(*outcome);
    ASSERT_NE(world.alert(), nullptr);
    const QString shown = FeedbackWorld::shownInformativeText(world.alert());
    EXPECT_TRUE(shown.contains(QStringLiteral("refused the connection"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(endpoint.toString())) << shown.toStdString();
    EXPECT_TRUE(world.window->isVisible());
    EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Hello"));
}

TEST(FeedbackSubmissionTest, AnEmailUrlThatCannotBeUsedSendsNothingButSaysWhyAndLogsIt) {
    const char* entries[] = {"https://exa mple.com/", "no scheme here", "https://",
                             "http://feedback.example.com/in"};
    for (const char* entry : entries) {
        SCOPED_TRACE(entry);
        FeedbackWorld world(infoWithEmailURL(QString::fromUtf8(entry)));
        world.show();
        world.fill(QString(), QString(), QStringLiteral("Hello"));
        const auto outcome = world.send();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_FALSE(*outcome);
        EXPECT_EQ(world.server.connections, 0);
        ASSERT_NE(world.alert(), nullptr);
        EXPECT_EQ(world.alert()->text(), kCouldNotSend);
        EXPECT_TRUE(FeedbackWorld::shownInformativeText(world.alert()).contains(QString::fromUtf8(entry)));
        const QStringList lines = world.platform.log->systemLines();
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Feedback not sent: ")))
            << lines.first().toStdString();
        EXPECT_FALSE(lines.first().contains(QStringLiteral("Hello")));
        EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Hello"));
    }
}

TEST(FeedbackSubmissionTest, ADoubleClickSendsOneMessage) {
    FeedbackWorld world;
    world.show();
    world.fill(QString(), QString(), QStringLiteral("Once"));
    QSignalSpy handled(world.form, &ContactFormViewController::feedbackHandled);
    QTest::mouseDClick(world.sendButton(), Qt::LeftButton);
    QTest::mouseClick(world.sendButton(), Qt::LeftButton);
    world.form->submitAction();
    ASSERT_TRUE(handled.wait(20'000));
    EXPECT_EQ(world.server.requests.size(), 1);
    EXPECT_EQ(handled.count(), 1);
}

TEST(FeedbackSubmissionTest, ARedirectIsFollowedOnlyToTheSameKindOfConnection) {
    struct Case {
        const char* target; // %1: the port of a second loopback server
        bool followed;
    };
    const Case cases[] = {
        {"http://127.0.0.1:%1/moved", true},
        {"https://127.0.0.1:%1/moved", false},
        {"http://feedback.invalid:%1/moved", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        FeedbackWorld world;
        TestHttpServer second;
        second.answer(QStringLiteral("/moved"), QByteArray());
        world.answerWith(302, "Found", QString::fromUtf8(c.target).arg(second.port()).toUtf8());
        world.show();
        world.fill(QString(), QString(), QStringLiteral("Hello"));
        const auto outcome = world.send();
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(bool(*outcome), c.followed) << outcome->message().toStdString();
        EXPECT_EQ(second.connections, c.followed ? 1 : 0);
        if (!c.followed) {
            EXPECT_TRUE(outcome->message().contains(QStringLiteral("redirected")));
            EXPECT_TRUE(world.window->isVisible());
        }
    }
}

TEST(FeedbackSubmissionTest, AnOutcomeAfterTheWindowWasClosedShowsTheWindowAgain) {
    FeedbackWorld world;
    world.answerWith(500, "Internal Server Error");
    world.show();
    world.fill(QString(), QString(), QStringLiteral("Hello"));
    QTest::mouseClick(world.sendButton(), Qt::LeftButton);
    world.window->close();
    const auto outcome = world.waitForOutcome();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(*outcome);
    EXPECT_TRUE(world.window->isVisible());
    EXPECT_NE(world.alert(), nullptr);
}

TEST(FeedbackSubmissionTest, ControlReturnSendsFromTheKeyboardOnlyWhenSendIsEnabled) {
    FeedbackWorld world;
    world.show();
    world.form->bodyField()->setFocus();
    QTest::keyClick(world.form->bodyField(), Qt::Key_Return, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(world.form->requestsInFlight(), 0);
    QTest::keyClicks(world.form->bodyField(), QStringLiteral("Typed"));
    QSignalSpy handled(world.form, &ContactFormViewController::feedbackHandled);
    QTest::keyClick(world.form->bodyField(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(handled.wait(20'000));
    ASSERT_EQ(world.server.requests.size(), 1);
    EXPECT_EQ(world.server.requests.first().queryPairs().value(3).second, QStringLiteral("Typed") + kFooter);
}

} // namespace
