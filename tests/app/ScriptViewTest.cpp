// The script rows: what a row shows with and without a file, choosing and removing through the
// real preferences domain, hover, alignment, the context actions, failures and changes made by
// other programs.

#include "AppWorld.h"

#include "ApplicationView.h"
#include "ChooseButton.h"
#include "ControlAlignment.h"
#include "RemoveButton.h"
#include "ScriptFileDialog.h"
#include "ScriptPanel.h"
#include "ScriptView.h"

#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillmere;
using apptest::AppWorld;

namespace {

const QString captureKey = QStringLiteral("endOfCaptureScript");
const QString batchKey = QStringLiteral("endOfBatchScript");

// Receives the file URLs the desktop would have opened.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class ScriptViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(23);
        domain = AppWorld::identifier(23);
    }
    void TearDown() override {
        if (ScriptFileDialog* panel = ScriptPanel::shared().existingDialog(); panel && panel->isVisible()) {
            panel->reject();
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w)) {
                w->close();
            }
        }
        host.reset();
        apptest::settle();
    }

    // Shows the detail view of copy 23 in a window of the given size and waits for its rows.
    ApplicationView& showDetail(QSize size = QSize(500, 400)) {
        const QList<brisquel::AppFinder::App> apps = world.finder().discover();
        EXPECT_EQ(apps.size(), 1);
        host = std::make_unique<ApplicationView>(apps.first());
        host->resize(size);
        QSignalSpy read(host.get(), &ApplicationView::scriptsRead);
        host->show();
        EXPECT_TRUE(read.wait(5000));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        // The new rows are laid out by posted layout requests.
        apptest::settle();
        return *host;
    }

    ScriptView* row(int index) { return host->rows().value(index); }

    QVariant stored(const QString& key) const {
        return world.domainContents(domain).value_or(QVariantMap()).value(key);
    }

    // Clicks a row's choose button and answers the panel with a file, or with Cancel.
    ScriptFileDialog* openPanel(ScriptView* view) {
        QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
        ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
        EXPECT_NE(panel, nullptr);
        EXPECT_TRUE(panel && panel->isVisible());
        return panel;
    }
    void choose(ScriptView* view, const QString& file) {
        ScriptFileDialog* panel = openPanel(view);
        ASSERT_NE(panel, nullptr);
        panel->selectFile(file);
        panel->accept();
        EXPECT_FALSE(panel->isVisible());
    }

    static void hover(QWidget* widget, bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
            QCoreApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(widget, &leave);
        }
    }

    AppWorld world;
    QString domain;
    std::unique_ptr<ApplicationView> host;
};

// ---- what a row shows ----

TEST_F(ScriptViewTest, ARowWithoutAFileInvitesAChoiceInTheAccentColour) {
    showDetail();
    ScriptView* capture = row(0);
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(capture->label()->text(), QStringLiteral("Capture Done"));
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Choose a script"));
    EXPECT_EQ(capture->chooseButton()->textColor(),
              capture->palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(capture->removeButton(), nullptr);
    EXPECT_FALSE(capture->url().has_value());
    EXPECT_EQ(capture->descriptionLabel()->text(), QStringLiteral("Runs after each capture."));
    EXPECT_LT(capture->descriptionLabel()->font().pointSizeF(), capture->label()->font().pointSizeF());
}

TEST_F(ScriptViewTest, ARowWithAFileShowsItsNameInThePrimaryColourAndAHiddenRemoveButton) {
    const QString file = world.scriptFile(QStringLiteral("deep/folder/Export Done.scpt"));
    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    showDetail();
    ScriptView* capture = row(0);
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Export Done.scpt"));
    EXPECT_EQ(capture->chooseButton()->toolTip(), file);
    EXPECT_EQ(capture->chooseButton()->textColor(),
              capture->palette().color(QPalette::Active, QPalette::WindowText));
    ASSERT_NE(capture->removeButton(), nullptr);
    EXPECT_FALSE(capture->removeButton()->isDrawn());
    EXPECT_EQ(capture->url(), QUrl::fromLocalFile(file));
    // The other rows are untouched.
    EXPECT_EQ(row(1)->chooseButton()->text(), QStringLiteral("Choose a script"));
    EXPECT_EQ(row(1)->removeButton(), nullptr);
}

TEST_F(ScriptViewTest, TheRemoveButtonShowsWhileThePointerIsAnywhereOverTheRow) {
    ASSERT_TRUE(world.writeExternally(domain, captureKey, world.scriptFile(QStringLiteral("a.scpt"))));
    showDetail();
    ScriptView* capture = row(0);
    RemoveButton* remove = capture->removeButton();
    ASSERT_NE(remove, nullptr);
    EXPECT_FALSE(capture->removeVisible());

    hover(capture, true);
    EXPECT_TRUE(capture->removeVisible());
    EXPECT_TRUE(remove->isDrawn());
    hover(capture, false);
    EXPECT_FALSE(remove->isDrawn());

    // A real pointer over the label and over the caption counts as over the row.
    for (QWidget* part :
         {static_cast<QWidget*>(capture->label()), static_cast<QWidget*>(capture->descriptionLabel())}) {
        QTest::mouseMove(host.get(), QPoint(1, host->height() - 2));
        EXPECT_TRUE(apptest::waitUntil([&] { return !remove->isDrawn(); }, 1000));
        QTest::mouseMove(part, part->rect().center());
        EXPECT_TRUE(apptest::waitUntil([&] { return remove->isDrawn(); }, 1000));
    }
    // The pointer over another row hides it again.
    QTest::mouseMove(row(2)->label(), row(2)->label()->rect().center());
    EXPECT_TRUE(apptest::waitUntil([&] { return !remove->isDrawn(); }, 1000));
}

TEST_F(ScriptViewTest, TheRemoveButtonIsDrawnWhileItHasKeyboardFocus) {
    ASSERT_TRUE(world.writeExternally(domain, captureKey, world.scriptFile(QStringLiteral("a.scpt"))));
    showDetail();
    ScriptView* capture = row(0);
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    capture->chooseButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(capture->chooseButton(), Qt::Key_Tab);
    ASSERT_TRUE(capture->removeButton()->hasFocus())
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    EXPECT_TRUE(capture->removeButton()->isDrawn());
    EXPECT_EQ(capture->removeButton()->accessibleName(), QStringLiteral("Remove script"));

    // Space on the focused remove button clears, and the focus stays in the row.
    QTest::keyClick(capture->removeButton(), Qt::Key_Space);
    EXPECT_EQ(capture->removeButton(), nullptr);
    EXPECT_TRUE(capture->chooseButton()->hasFocus());
    EXPECT_FALSE(stored(captureKey).isValid());
}

// ---- choosing and removing, through the domain ----

TEST_F(ScriptViewTest, ChoosingAFileStoresItsPathAndShowsItsName) {
    showDetail();
    const QString file = world.scriptFile(QStringLiteral("my scripts/Export Done.scpt"));
    ScriptView* capture = row(0);
    QSignalSpy written(capture, &ScriptView::assignmentWritten);
    choose(capture, file);

    ASSERT_EQ(written.count(), 1);
    EXPECT_TRUE(written.first().first().toBool());
    EXPECT_EQ(stored(captureKey), QVariant(file));
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Export Done.scpt"));
    EXPECT_EQ(capture->chooseButton()->textColor(),
              capture->palette().color(QPalette::Active, QPalette::WindowText));
    ASSERT_NE(capture->removeButton(), nullptr);
    EXPECT_FALSE(capture->removeButton()->isDrawn());
    EXPECT_EQ(capture->url(), QUrl::fromLocalFile(file));
    // No other key was written.
    EXPECT_EQ(world.domainContents(domain)->size(), 1);
}

TEST_F(ScriptViewTest, AnAppleScriptTextFileCanBeChosenToo) {
    showDetail();
    const QString file = world.scriptFile(QStringLiteral("Batch.applescript"));
    choose(row(1), file);
    EXPECT_EQ(stored(batchKey), QVariant(file));
}

TEST_F(ScriptViewTest, RemovingClearsTheKeyAndTheButton) {
    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    ASSERT_TRUE(world.writeExternally(domain, QStringLiteral("unrelated"), 42));
    showDetail();
    ScriptView* capture = row(0);
    hover(capture, true);
    QTest::mouseClick(capture->removeButton(), Qt::LeftButton);

    EXPECT_FALSE(stored(captureKey).isValid());
    EXPECT_EQ(stored(QStringLiteral("unrelated")), QVariant(qint64(42)));
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Choose a script"));
    EXPECT_EQ(capture->removeButton(), nullptr);
    EXPECT_FALSE(capture->url().has_value());
    // The script file itself is left alone.
    EXPECT_TRUE(QFile::exists(file));
}

TEST_F(ScriptViewTest, CancelKeepsTheAssignment) {
    const QString file = world.scriptFile(QStringLiteral("Keep Me.scpt"));
    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    const QByteArray before = AppWorld::readBytes(world.domainFile(domain));
    showDetail();
    ScriptView* capture = row(0);
    QSignalSpy written(capture, &ScriptView::assignmentWritten);

    ScriptFileDialog* panel = openPanel(capture);
    ASSERT_NE(panel, nullptr);
    panel->selectFile(world.scriptFile(QStringLiteral("Other.scpt")));
    panel->reject();

    EXPECT_EQ(written.count(), 0);
    EXPECT_EQ(AppWorld::readBytes(world.domainFile(domain)), before);
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Keep Me.scpt"));
    EXPECT_NE(capture->removeButton(), nullptr);
}

TEST_F(ScriptViewTest, CancelOnARowWithoutAFileWritesNothing) {
    showDetail();
    openPanel(row(0))->reject();
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

TEST_F(ScriptViewTest, AFailedWriteIsReportedAndTheRowShowsWhatIsStillStored) {
    // A domain file that is not a property list is never overwritten.
    const QString path = world.domainFile(domain);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a property list");
    }
    showDetail();
    ScriptView* capture = row(0);
    QSignalSpy written(capture, &ScriptView::assignmentWritten);
    choose(capture, world.scriptFile(QStringLiteral("Export Done.scpt")));

    ASSERT_EQ(written.count(), 1);
    EXPECT_FALSE(written.first().first().toBool());
    EXPECT_EQ(AppWorld::readBytes(path), QByteArray("this is not a property list"));
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("Choose a script"));
    EXPECT_EQ(capture->removeButton(), nullptr);
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) {
            box = b;
        }
    }
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("Capture Done")));
}

// ---- other programs ----

TEST_F(ScriptViewTest, RowsFollowAChangeMadeByAnotherProgram) {
    showDetail();
    ScriptView* capture = row(0);
    const QString file = world.scriptFile(QStringLiteral("From Elsewhere.scpt"));

    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    EXPECT_TRUE(apptest::waitUntil(
        [&] { return capture->chooseButton()->text() == QStringLiteral("From Elsewhere.scpt"); }, 3000));
    EXPECT_NE(capture->removeButton(), nullptr);

    ASSERT_TRUE(world.writeExternally(domain, captureKey, QVariant()));
    EXPECT_TRUE(apptest::waitUntil(
        [&] { return capture->chooseButton()->text() == QStringLiteral("Choose a script"); }, 3000));
    EXPECT_EQ(capture->removeButton(), nullptr);

    // Still followed after several replacements of the file.
    ASSERT_TRUE(world.writeExternally(domain, batchKey, file));
    EXPECT_TRUE(apptest::waitUntil(
        [&] { return row(1)->chooseButton()->text() == QStringLiteral("From Elsewhere.scpt"); }, 3000));
}

TEST_F(ScriptViewTest, ChangesAreFollowedEvenWhenTheRowCreatedTheDomainFolder) {
    // No preferences folder yet: the first choice creates it.
    ASSERT_TRUE(QDir(world.preferencesFolder()).removeRecursively());
    showDetail();
    choose(row(0), world.scriptFile(QStringLiteral("First.scpt")));
    ASSERT_TRUE(QFile::exists(world.domainFile(domain)));

    ASSERT_TRUE(world.writeExternally(domain, batchKey, world.scriptFile(QStringLiteral("Second.scpt"))));
    EXPECT_TRUE(apptest::waitUntil(
        [&] { return row(1)->chooseButton()->text() == QStringLiteral("Second.scpt"); }, 3000));
}

TEST_F(ScriptViewTest, ShowingARowReadsItsFileAgain) {
    showDetail();
    ScriptView* capture = row(0);
    capture->hide();
    // Written while nothing of the row is on screen.
    ASSERT_TRUE(world.writeExternally(domain, captureKey, world.scriptFile(QStringLiteral("x.scpt"))));
    capture->show();
    EXPECT_EQ(capture->chooseButton()->text(), QStringLiteral("x.scpt"));
}

// ---- alignment and fit ----

TEST_F(ScriptViewTest, ControlColumnsLineUpWithLabelsRightAlignedAgainstThem) {
    showDetail();
    ASSERT_EQ(host->rows().size(), 3);
    QList<int> controlStarts;
    for (ScriptView* view : host->rows()) {
        const QPoint button = view->chooseButton()->mapTo(host.get(), QPoint(0, 0));
        const QPoint caption = view->descriptionLabel()->mapTo(host.get(), QPoint(0, 0));
        const QRect label(view->label()->mapTo(host.get(), QPoint(0, 0)), view->label()->size());
        controlStarts << button.x();
        EXPECT_EQ(caption.x(), button.x());
        EXPECT_LT(label.right(), button.x());
        EXPECT_TRUE(view->label()->alignment() & Qt::AlignRight);
        // The label's text starts on the choose button's line.
        EXPECT_LE(qAbs(label.top() + view->label()->contentsMargins().top() -
                       (button.y() + ChooseButton::verticalInset)),
                  1);
    }
    EXPECT_EQ(controlStarts[1], controlStarts[0]);
    EXPECT_EQ(controlStarts[2], controlStarts[0]);
    // The column is as wide as the widest label, "Live View Became Ready".
    const QLabel* widest = row(2)->label();
    EXPECT_GE(widest->width(), widest->fontMetrics().horizontalAdvance(widest->text()));
}

TEST_F(ScriptViewTest, AVeryLongLabelWrapsInsteadOfPushingTheControlsAway) {
    world.addCopy(24, {{QStringLiteral("a very long background property name that goes on and on script"),
                        QStringLiteral("Long.")}});
    domain = AppWorld::identifier(24);
    const QList<brisquel::AppFinder::App> apps = world.finder().discover();
    host = std::make_unique<ApplicationView>(apps.last());
    host->resize(500, 400);
    QSignalSpy read(host.get(), &ApplicationView::scriptsRead);
    host->show();
    ASSERT_TRUE(read.wait(5000));
    apptest::settle();
    QLabel* label = row(0)->label();
    EXPECT_EQ(label->width(), ControlAlignment::maximumLabelWidth);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
}

TEST_F(ScriptViewTest, NothingIsClippedAtTheSmallestWindowOrALargeOne) {
    ASSERT_TRUE(
        world.writeExternally(domain, captureKey, world.scriptFile(QStringLiteral("Export Done.scpt"))));
    // The detail column of the smallest window (750 wide less the 250-point sidebar), and a large one.
    for (const QSize size : {QSize(500, 400), QSize(1400, 900)}) {
        showDetail(size);
        for (ScriptView* view : host->rows()) {
            EXPECT_EQ(view->chooseButton()->displayedText(), view->chooseButton()->text());
            QLabel* caption = view->descriptionLabel();
            EXPECT_GE(caption->height(), caption->heightForWidth(caption->width()))
                << view->label()->text().toStdString();
            EXPECT_GE(view->label()->height(), view->label()->heightForWidth(view->label()->width()));
        }
        host.reset();
        apptest::settle();
    }
}

// ---- context actions ----

TEST_F(ScriptViewTest, TheContextMenuOffersChooseRevealAndRemoveAsTheRowAllows) {
    showDetail();
    ScriptView* capture = row(0);
    auto actions = [](QMenu* menu) {
        QMap<QString, bool> enabled;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                enabled.insert(action->text(), action->isEnabled());
            }
        }
        return enabled;
    };
    std::unique_ptr<QMenu> empty(capture->createContextMenu(nullptr));
    auto state = actions(empty.get());
    EXPECT_TRUE(state.value(QStringLiteral("Choose a Script…")));
    EXPECT_FALSE(state.value(QStringLiteral("Show in File Manager")));
    EXPECT_FALSE(state.value(QStringLiteral("Remove Script")));

    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    choose(capture, file);
    std::unique_ptr<QMenu> assigned(capture->createContextMenu(nullptr));
    state = actions(assigned.get());
    EXPECT_TRUE(state.value(QStringLiteral("Show in File Manager")));
    EXPECT_TRUE(state.value(QStringLiteral("Remove Script")));

    // Reveal opens the file's folder in the desktop's file manager.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    for (QAction* action : assigned->actions()) {
        if (action->text() == QStringLiteral("Show in File Manager")) {
            action->trigger();
        }
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first(), QUrl::fromLocalFile(QFileInfo(file).absolutePath()));

    // Remove from the menu clears as the button does.
    for (QAction* action : assigned->actions()) {
        if (action->text() == QStringLiteral("Remove Script")) {
            action->trigger();
        }
    }
    EXPECT_FALSE(stored(captureKey).isValid());
    EXPECT_EQ(capture->removeButton(), nullptr);
}

TEST_F(ScriptViewTest, ControlsCarryAccessibleNames) {
    ASSERT_TRUE(
        world.writeExternally(domain, captureKey, world.scriptFile(QStringLiteral("Export Done.scpt"))));
    showDetail();
    EXPECT_EQ(row(0)->chooseButton()->accessibleName(), QStringLiteral("Export Done.scpt"));
    EXPECT_TRUE(row(0)->chooseButton()->accessibleDescription().contains(QStringLiteral("Capture Done")));
    EXPECT_EQ(row(1)->chooseButton()->accessibleName(), QStringLiteral("Choose a script"));
    EXPECT_EQ(row(0)->removeButton()->accessibleName(), QStringLiteral("Remove script"));
    EXPECT_EQ(row(0)->label()->buddy(), row(0)->chooseButton());
}

} // namespace

#include "ScriptViewTest.moc"
