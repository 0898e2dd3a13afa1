// The form and its window: what it shows when it opens, when it counts as sendable or empty, the
// cancel question, the keyboard, and the one window that every command shows.

#include "ContactForm/ContactFormViewController.h"
#include "ContactForm/ContactForm.h"
#include "ContactForm/FeedbackWindow.h"
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

#include <algorithm>

using namespace quillmere;
using contactformtest::FeedbackWorld;
using contactformtest::photoToolInfo;

namespace {

TEST(ContactFormViewControllerTest, OpensWithTheSubjectFilledSendOffAndTheDebugSwitchOutOfSight) {
    FeedbackWorld world;
    world.show();
    ContactFormViewController* form = world.form;
    EXPECT_EQ(form->subjectField()->text(), QStringLiteral("Photo Tool Feedback"));
    EXPECT_TRUE(form->nameField()->text().isEmpty());
    EXPECT_FALSE(form->formCanSend());
    EXPECT_FALSE(world.sendButton()->isEnabled());
    EXPECT_TRUE(world.cancelButton()->isEnabled());
    EXPECT_FALSE(form->debugEmailButton()->isChecked());
    EXPECT_FALSE(form->debugEmailButton()->isVisibleTo(world.window));
    // Nothing else of its row shows either.
    auto* grid = qobject_cast<QGridLayout*>(form->emailGridView()->layout());
    ASSERT_NE(grid, nullptr);
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(form->debugEmailButton()), &row, &column, &rowSpan, &columnSpan);
    for (int c = 0; c < grid->columnCount(); ++c) {
        if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget()) {
            EXPECT_FALSE(item->widget()->isVisibleTo(world.window)) << "column " << c;
        }
    }
    EXPECT_EQ(form->property("versionString").toString(), QStringLiteral("Photo Tool 2.1 (57)"));
    auto* caption = form->findChild<QLabel*>(QStringLiteral("versionLabel"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("Photo Tool 2.1 (57)"));
}

TEST(ContactFormViewControllerTest, TheWindowIsTitledFixedInSizeAndHasNoMinimiseOrFullScreen) {
    FeedbackWorld world;
    world.show();
    FeedbackWindow* window = world.window;
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Send Feedback"));
    EXPECT_GE(window->width(), 480);
    EXPECT_GE(window->height(), 400);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowFullscreenButtonHint));
}

TEST(ContactFormViewControllerTest, FormCanSendFollowsTheTrimmedMessageOnly) {
    struct Step {
        const char* body;
        bool canSend;
    };
    const Step steps[] = {
        {" ", false}, {"\n\n\t  \r\n", false}, {"\u00a0\u2003", false}, {".", true}, {"  x  \n", true},
        {"", false},  {"\n\nHello", true},     {"   ", false},
    };
    FeedbackWorld world;
    world.show();
    QSignalSpy changes(world.form, &ContactFormViewController::formCanSendChanged);
    bool before = false;
    int expectedChanges = 0;
    for (const Step& step : steps) {
        world.form->bodyField()->setPlainText(QString::fromUtf8(step.body));
        EXPECT_EQ(world.form->formCanSend(), step.canSend) << '"' << step.body << '"';
        EXPECT_EQ(world.sendButton()->isEnabled(), step.canSend) << '"' << step.body << '"';
        expectedChanges += step.canSend != before ? 1 : 0;
        before = step.canSend;
    }
    EXPECT_EQ(changes.count(), expectedChanges);

    // The other fields leave it alone.
    world.form->nameField()->setText(QStringLiteral("Ann"));
    world.form->emailField()->setText(QStringLiteral("ann@example.org"));
    world.form->subjectField()->setText(QStringLiteral("Subject"));
    EXPECT_FALSE(world.form->formCanSend());
}

TEST(ContactFormViewControllerTest, TypingOneVisibleCharacterEnablesSendAndDeletingItDisablesItAgain) {
    FeedbackWorld world;
    world.show();
    QPlainTextEdit* body = world.form->bodyField();
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("  "));
    EXPECT_FALSE(world.sendButton()->isEnabled());
    QTest::keyClick(body, Qt::Key_A);
    EXPECT_TRUE(world.sendButton()->isEnabled());
    QTest::keyClick(body, Qt::Key_Backspace);
    EXPECT_FALSE(world.sendButton()->isEnabled());
}

TEST(ContactFormViewControllerTest, TheMessageIsTakenExactlyAsTypedItsLineBreaksAsLineFeeds) {
    FeedbackWorld world;
    world.show();
    QPlainTextEdit* body = world.form->bodyField();
    body->setFocus();
    // Characters beyond the keyboard's come as an input method gives them.
    QTest::keyClicks(body, QStringLiteral("a"));
    body->insertPlainText(QStringLiteral("\u00a0"));
    QTest::keyClicks(body, QStringLiteral("b  "));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClick(body, Qt::Key_Return, Qt::ShiftModifier);
    body->insertPlainText(QStringLiteral("\u2003"));
    QTest::keyClicks(body, QStringLiteral("c "));
    EXPECT_EQ(world.form->fields().body, QStringLiteral("a\u00a0b  \n\n\u2003c "));
}

TEST(ContactFormViewControllerTest, ReturnInAOneLineFieldSendsWhenSendIsEnabled) {
    FeedbackWorld world;
    world.show();
    for (QLineEdit* field : {world.form->nameField(), world.form->emailField(), world.form->subjectField()}) {
        QTest::keyClick(field, Qt::Key_Return);
    }
    EXPECT_EQ(world.form->requestsInFlight(), 0); // nothing to send yet
    world.form->bodyField()->setPlainText(QStringLiteral("Hello"));
    QSignalSpy handled(world.form, &ContactFormViewController::feedbackHandled);
    QTest::keyClick(world.form->subjectField(), Qt::Key_Return);
    EXPECT_EQ(world.form->requestsInFlight(), 1);
    ASSERT_TRUE(handled.wait(20'000));
    EXPECT_EQ(world.server.requests.size(), 1);
}

TEST(ContactFormViewControllerTest, CancelClosesAnEmptyFormAtOnceAndAsksOtherwise) {
    struct Case {
        const char* what;
        const char* name;
        const char* email;
        const char* body;
        const char* subject; // null: as the form set it
        bool asks;
    };
    const Case cases[] = {
        {"nothing typed", "", "", "", nullptr, false},
        {"only the subject edited", "", "", "", "Another subject", false},
        {"a name typed", "Ann", "", "", nullptr, true},
        {"an e-mail typed", "", "a@b", "", nullptr, true},
        {"a message of only spaces", "", "", "   ", nullptr, true},
        {"a message", "", "", "Hello", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FeedbackWorld world;
        world.show();
        world.fill(QString::fromUtf8(c.name), QString::fromUtf8(c.email), QString::fromUtf8(c.body),
                   c.subject ? QString::fromUtf8(c.subject) : QString());
        EXPECT_EQ(world.form->formIsEmpty(), !c.asks);
        QTest::mouseClick(world.cancelButton(), Qt::LeftButton);
        if (c.asks) {
            ASSERT_NE(world.alert(), nullptr);
            EXPECT_EQ(world.alert()->text(), QStringLiteral("Are you sure you want to cancel?"));
            EXPECT_TRUE(world.window->isVisible());
            EXPECT_TRUE(world.platform.log->systemLines().isEmpty());
        } else {
            EXPECT_EQ(world.alert(), nullptr);
            EXPECT_FALSE(world.window->isVisible());
            EXPECT_EQ(world.platform.log->systemLines(),
                      QStringList{QStringLiteral("Form is empty. Dismissing feedback window")});
        }
    }
}

TEST(ContactFormViewControllerTest, TheCancelQuestionClosesOnYesAndChangesNothingOnNo) {
    FeedbackWorld world;
    world.show();
    world.fill(QStringLiteral("Ann"), QString(), QStringLiteral("Draft"));
    QTest::mouseClick(world.cancelButton(), Qt::LeftButton);
    ASSERT_NE(world.alert(), nullptr);
    QStringList buttons;
    for (QAbstractButton* button : world.alert()->buttons())
        buttons.append(button->text());
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
    EXPECT_EQ(world.alert()->defaultButton()->text(), QStringLiteral("Yes"));

    world.answerAlert(QStringLiteral("No"));
    EXPECT_TRUE(world.window->isVisible());
    EXPECT_EQ(world.alert(), nullptr);

    QTest::mouseClick(world.cancelButton(), Qt::LeftButton);
    world.answerAlert(QStringLiteral("Yes"));
    EXPECT_FALSE(world.window->isVisible());
    EXPECT_EQ(world.form->nameField()->text(), QStringLiteral("Ann"));
    EXPECT_EQ(world.form->bodyField()->toPlainText(), QStringLiteral("Draft"));
}

TEST(ContactFormViewControllerTest, EscapeCancelsAndTheLabelsLettersMoveTheFocus) {
    FeedbackWorld world;
    world.show();
    QApplication::setActiveWindow(world.window);
    QTest::keyClick(world.window, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), world.form->bodyField());
    QTest::keyClick(world.window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), world.form->emailField());
    QTest::keyClicks(world.form->emailField(), QStringLiteral("a@b"));
    // A button's shortcut clicks it visibly: pressed first, released a moment later.
    QTest::keyClick(world.form->emailField(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&world] { return world.alert() != nullptr; }, 10'000));
    EXPECT_EQ(world.alert()->text(), QStringLiteral("Are you sure you want to cancel?"));
}

TEST(ContactFormViewControllerTest, OutsideTextIsShownAsPlainText) {
    QVariantMap info = photoToolInfo();
    info.insert(QStringLiteral("CFBundleName"), QStringLiteral("<b>Tool</b>"));
    FeedbackWorld world(info);
    world.show();
    auto* caption = world.form->findChild<QLabel*>(QStringLiteral("versionLabel"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->textFormat(), Qt::PlainText);
    EXPECT_EQ(caption->text(), QStringLiteral("<b>Tool</b> 2.1 (57)"));
    world.form->presentError(brisquel::vexo::Result::failure(brisquel::vexo::Status::Unavailable,
                                                             QStringLiteral("<i>server</i> & <b>co</b>")));
    ASSERT_NE(world.alert(), nullptr);
    EXPECT_EQ(FeedbackWorld::shownInformativeText(world.alert()),
              QStringLiteral("<i>server</i> & <b>co</b>"));
}

// The process's one window: this is the only test that opens it.
TEST(ContactFormTest, EveryCommandShowsTheSameWindowWithTheSameText) {
    testsupport::FakePlatform platform;
    platform.install();
    brisquel::vexo::MainBundle::setInfoDictionary(photoToolInfo());
    EXPECT_EQ(ContactForm::feedbackWindowController(), nullptr);

    ContactForm menuCommand;
    menuCommand.sendFeedback();
    FeedbackWindow* window = ContactForm::feedbackWindowController();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ContactFormViewController* form = window->contentViewController();
    EXPECT_EQ(form->subjectField()->text(), QStringLiteral("Photo Tool Feedback"));
    form->subjectField()->setText(QStringLiteral("Edited subject"));
    form->nameField()->setText(QStringLiteral("Ann"));
    form->bodyField()->setPlainText(QStringLiteral("Half a thought"));
    window->close();

    // Another application name does not matter any more: the subject was set once.
    QVariantMap renamed = photoToolInfo();
    renamed.insert(QStringLiteral("CFBundleName"), QStringLiteral("Renamed"));
    brisquel::vexo::MainBundle::setInfoDictionary(renamed);
    ContactForm otherCommand;
    otherCommand.sendFeedback();
    menuCommand.sendFeedback();
    EXPECT_EQ(ContactForm::feedbackWindowController(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(form->subjectField()->text(), QStringLiteral("Edited subject"));
    EXPECT_EQ(form->nameField()->text(), QStringLiteral("Ann"));
    EXPECT_EQ(form->bodyField()->toPlainText(), QStringLiteral("Half a thought"));
    EXPECT_TRUE(form->formCanSend());
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return qobject_cast<FeedbackWindow*>(w) != nullptr; }),
              1);
    window->close();
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
}

} // namespace
