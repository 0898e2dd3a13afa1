// The script rows and their shared panel: what a row shows with and without a file, choosing and
// removing through the real preferences domain, hover, alignment, the context actions, failures,
// changes made by other programs, and the one panel of the process.

#include "tests/app/AppWorld.h"

#include "app/ApplicationView.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/RemoveButton.h"
#include "app/ScriptFileDialog.h"
#include "app/ScriptPanel.h"
#include "app/ScriptView.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
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
const QString chooseText = QStringLiteral("Choose a script");

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
        apptest::closeMessageBoxes();
        host.reset();
        apptest::settle();
    }

    // Shows the detail view of the copy in a window of the given size and waits for its rows.
    ApplicationView& showDetail(QSize size = QSize(500, 400)) {
        for (const brisquel::AppFinder::App& app : world.finder().discover()) {
            if (app.bundleIdentifier() == domain) {
                host = std::make_unique<ApplicationView>(app);
            }
        }
        EXPECT_NE(host, nullptr);
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
    bool assign(const QString& key, const QString& fileName) {
        return world.writeExternally(domain, key, world.scriptFile(fileName));
    }

    // Clicks a row's choose button and returns the panel it opened.
    ScriptFileDialog* openPanel(ScriptView* view) {
        QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
        ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
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

    static int panelWindows() {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            count += qobject_cast<QFileDialog*>(w) ? 1 : 0;
        }
        return count;
    }

    // A row showing a file, in the primary colour, with a remove button not yet seen.
    static void expectShowsFile(ScriptView* view, const QString& file) {
        EXPECT_EQ(view->chooseButton()->text(), QFileInfo(file).fileName());
        EXPECT_EQ(view->chooseButton()->toolTip(), file);
        EXPECT_EQ(view->chooseButton()->textColor(),
                  view->palette().color(QPalette::Active, QPalette::WindowText));
        ASSERT_NE(view->removeButton(), nullptr);
        EXPECT_FALSE(view->removeButton()->isDrawn());
        EXPECT_EQ(view->url(), QUrl::fromLocalFile(file));
    }
    static void expectShowsNoFile(ScriptView* view) {
        EXPECT_EQ(view->chooseButton()->text(), chooseText);
        EXPECT_EQ(view->removeButton(), nullptr);
        EXPECT_FALSE(view->url().has_value());
    }

    AppWorld world;
    QString domain;
    std::unique_ptr<ApplicationView> host;
};

// ---- a row, and choosing and removing through the domain ----

TEST_F(ScriptViewTest, ARowWithoutAFileInvitesAChoiceAndChoosingOneStoresItsPathAndShowsItsName) {
    showDetail();
    ScriptView* capture = row(0);
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(capture->label()->text(), QStringLiteral("Capture Done"));
    expectShowsNoFile(capture);
    EXPECT_EQ(capture->chooseButton()->textColor(),
              capture->palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(capture->descriptionLabel()->text(), QStringLiteral("Runs after each capture."));
    EXPECT_LT(capture->descriptionLabel()->font().pointSizeF(), capture->label()->font().pointSizeF());

    // A compiled script in a folder with a blank, and an AppleScript text file.
    const QString compiled = world.scriptFile(QStringLiteral("my scripts/Export Done.scpt"));
    const QString text = world.scriptFile(QStringLiteral("Batch.applescript"));
    QSignalSpy written(row(0), &ScriptView::assignmentWritten);
    choose(row(0), compiled);
    choose(row(1), text);

    ASSERT_EQ(written.count(), 1);
    EXPECT_TRUE(written.first().first().toBool());
    expectShowsFile(row(0), compiled);
    expectShowsFile(row(1), text);
    EXPECT_EQ(world.domainContents(domain), (QVariantMap{{captureKey, compiled}, {batchKey, text}}));
}

TEST_F(ScriptViewTest, TheRemoveButtonIsSeenUnderThePointerOrWithFocusAndClearsOnlyItsKey) {
    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    ASSERT_TRUE(world.writeExternally(domain, QStringLiteral("unrelated"), 42));
    showDetail();
    ScriptView* capture = row(0);
    expectShowsFile(capture, file);
    RemoveButton* remove = capture->removeButton();
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->accessibleName(), QStringLiteral("Remove script"));
    EXPECT_EQ(capture->chooseButton()->accessibleName(), QStringLiteral("Export Done.scpt"));
    EXPECT_TRUE(capture->chooseButton()->accessibleDescription().contains(QStringLiteral("Capture Done")));
    EXPECT_EQ(row(1)->chooseButton()->accessibleName(), chooseText);
    EXPECT_EQ(capture->label()->buddy(), capture->chooseButton());

    // The pointer over the label or the caption counts as over the row; over another row, not.
    for (QWidget* part :
         {static_cast<QWidget*>(capture->label()), static_cast<QWidget*>(capture->descriptionLabel())}) {
        QTest::mouseMove(host.get(), QPoint(1, host->height() - 2));
        EXPECT_TRUE(apptest::waitUntil([&] { return !remove->isDrawn(); }, 1000));
        QTest::mouseMove(part, part->rect().center());
        EXPECT_TRUE(apptest::waitUntil([&] { return remove->isDrawn(); }, 1000));
    }
    QTest::mouseMove(row(2)->label(), row(2)->label()->rect().center());
    EXPECT_TRUE(apptest::waitUntil([&] { return !remove->isDrawn(); }, 1000));

    // Keyboard focus shows it too.
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    capture->chooseButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(capture->chooseButton(), Qt::Key_Tab);
    ASSERT_TRUE(remove->hasFocus());
    EXPECT_TRUE(remove->isDrawn());

    // A click clears the key, the focus stays in the row, and the rest of the domain and the
    // script file itself are left alone.
    QTest::mouseClick(remove, Qt::LeftButton);
    expectShowsNoFile(capture);
    EXPECT_TRUE(capture->chooseButton()->hasFocus());
    EXPECT_EQ(world.domainContents(domain), (QVariantMap{{QStringLiteral("unrelated"), qint64(42)}}));
    EXPECT_TRUE(QFile::exists(file));
}

TEST_F(ScriptViewTest, CancelKeepsTheAssignmentAndWritesNothing) {
    const QString file = world.scriptFile(QStringLiteral("Keep Me.scpt"));
    ASSERT_TRUE(world.writeExternally(domain, captureKey, file));
    const QByteArray before = AppWorld::readBytes(world.domainFile(domain));
    showDetail();
    // On a row with a file and on one without.
    for (ScriptView* view : {row(0), row(1)}) {
        QSignalSpy written(view, &ScriptView::assignmentWritten);
        ScriptFileDialog* panel = openPanel(view);
        ASSERT_NE(panel, nullptr);
        panel->selectFile(world.scriptFile(QStringLiteral("Other.scpt")));
        panel->reject();
        EXPECT_EQ(written.count(), 0);
    }
    EXPECT_EQ(AppWorld::readBytes(world.domainFile(domain)), before);
    expectShowsFile(row(0), file);
    expectShowsNoFile(row(1));
}

TEST_F(ScriptViewTest, AFailedWriteIsReportedAndTheRowShowsWhatIsStillStored) {
    // A domain file that is not a property list is never overwritten.
    world.temp().write(QStringLiteral("Preferences/%1.plist").arg(domain), "not a plist");
    showDetail();
    QSignalSpy written(row(0), &ScriptView::assignmentWritten);
    choose(row(0), world.scriptFile(QStringLiteral("Export Done.scpt")));

    ASSERT_EQ(written.count(), 1);
    EXPECT_FALSE(written.first().first().toBool());
    EXPECT_EQ(AppWorld::readBytes(world.domainFile(domain)), QByteArray("not a plist"));
    expectShowsNoFile(row(0));
    const QList<QMessageBox*> boxes = apptest::visibleTopLevels<QMessageBox>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first()->text().contains(QStringLiteral("Capture Done")));
}

// ---- other programs ----

TEST_F(ScriptViewTest, RowsFollowAChangeMadeByAnotherProgram) {
    showDetail();
    auto shows = [this](int index, const QString& text) {
        return apptest::waitUntil([&] { return row(index)->chooseButton()->text() == text; });
    };
    ASSERT_TRUE(assign(captureKey, QStringLiteral("From Elsewhere.scpt")));
    EXPECT_TRUE(shows(0, QStringLiteral("From Elsewhere.scpt")));
    EXPECT_NE(row(0)->removeButton(), nullptr);

    ASSERT_TRUE(world.writeExternally(domain, captureKey, QVariant()));
    EXPECT_TRUE(shows(0, chooseText));
    EXPECT_EQ(row(0)->removeButton(), nullptr);

    // Still followed after several replacements of the file.
    ASSERT_TRUE(assign(batchKey, QStringLiteral("Again.scpt")));
    EXPECT_TRUE(shows(1, QStringLiteral("Again.scpt")));

    // A row put on screen again reads its file again.
    row(0)->hide();
    ASSERT_TRUE(assign(captureKey, QStringLiteral("x.scpt")));
    row(0)->show();
    EXPECT_EQ(row(0)->chooseButton()->text(), QStringLiteral("x.scpt"));
}

TEST_F(ScriptViewTest, ChangesAreFollowedEvenWhenTheRowCreatedTheDomainFolder) {
    ASSERT_TRUE(QDir(world.preferencesFolder()).removeRecursively());
    showDetail();
    choose(row(0), world.scriptFile(QStringLiteral("First.scpt")));
    ASSERT_TRUE(QFile::exists(world.domainFile(domain)));

    ASSERT_TRUE(assign(batchKey, QStringLiteral("Second.scpt")));
    EXPECT_TRUE(
        apptest::waitUntil([&] { return row(1)->chooseButton()->text() == QStringLiteral("Second.scpt"); }));
}

// ---- alignment and fit ----

TEST_F(ScriptViewTest, ControlColumnsLineUpAndNothingIsClippedInTheSmallestWindowOrALargeOne) {
    QList<QPair<QString, QString>> scripts = AppWorld::defaultScripts();
    scripts.append({QStringLiteral("a very long background property name that goes on and on script"),
                    QStringLiteral("Long.")});
    world.addCopy(24, scripts);
    domain = AppWorld::identifier(24);
    ASSERT_TRUE(assign(captureKey, QStringLiteral("Export Done.scpt")));
    // The detail column of the smallest window (750 wide less the 250-point sidebar), and a large one.
    for (const QSize size : {QSize(500, 400), QSize(1400, 900)}) {
        showDetail(size);
        ASSERT_EQ(host->rows().size(), 4);
        const int controlStart = row(0)->chooseButton()->mapTo(host.get(), QPoint(0, 0)).x();
        for (ScriptView* view : host->rows()) {
            SCOPED_TRACE(view->label()->text().toStdString());
            QLabel* label = view->label();
            const QPoint button = view->chooseButton()->mapTo(host.get(), QPoint(0, 0));
            const QRect labelRect(label->mapTo(host.get(), QPoint(0, 0)), label->size());
            EXPECT_EQ(button.x(), controlStart);
            EXPECT_EQ(view->descriptionLabel()->mapTo(host.get(), QPoint(0, 0)).x(), controlStart);
            EXPECT_LT(labelRect.right(), controlStart);
            EXPECT_TRUE(label->alignment() & Qt::AlignRight);
            // The label's text starts on the choose button's line.
            EXPECT_LE(qAbs(labelRect.top() + label->contentsMargins().top() -
                           (button.y() + ChooseButton::verticalInset)),
                      1);
            EXPECT_EQ(view->chooseButton()->displayedText(), view->chooseButton()->text());
            for (QLabel* text : {label, view->descriptionLabel()}) {
                EXPECT_GE(text->height(), text->heightForWidth(text->width()));
            }
        }
        // "Live View Became Ready" fits whole; the very long label wraps rather than pushing the
        // controls away.
        EXPECT_GE(row(2)->label()->width(),
                  row(2)->label()->fontMetrics().horizontalAdvance(row(2)->label()->text()));
        EXPECT_EQ(row(3)->label()->width(), ControlAlignment::maximumLabelWidth);
    }
}

// ---- context actions ----

TEST_F(ScriptViewTest, TheContextMenuOffersChooseRevealAndRemoveAsTheRowAllows) {
    showDetail();
    ScriptView* capture = row(0);
    // The enabled actions of a fresh menu, by text.
    auto menu = [capture] {
        QMap<QString, QAction*> enabled;
        for (QAction* action : capture->createContextMenu(capture)->actions()) {
            if (action->isEnabled() && !action->isSeparator()) {
                enabled.insert(action->text(), action);
            }
        }
        return enabled;
    };
    EXPECT_EQ(menu().keys(), QStringList{QStringLiteral("Choose a Script…")});

    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    choose(capture, file);
    const auto assigned = menu();
    EXPECT_EQ(assigned.keys(),
              (QStringList{QStringLiteral("Choose a Script…"), QStringLiteral("Remove Script"),
                           QStringLiteral("Show in File Manager")}));

    // Reveal opens the file's folder in the desktop's file manager.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    assigned.value(QStringLiteral("Show in File Manager"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(file).absolutePath())});

    // Remove from the menu clears as the button does.
    assigned.value(QStringLiteral("Remove Script"))->trigger();
    EXPECT_FALSE(stored(captureKey).isValid());
    EXPECT_EQ(capture->removeButton(), nullptr);
}

// ---- the one panel of the process ----

using ScriptPanelTest = ScriptViewTest;

TEST_F(ScriptPanelTest, RowsShareOnePanelForTheWholeProcessAndTheLastToAskIsAnswered) {
    showDetail();
    const QString one = world.scriptFile(QStringLiteral("One.scpt"));
    const QString two = world.scriptFile(QStringLiteral("Two.scpt"));
    ScriptFileDialog* panel = openPanel(row(0));
    // A second row asking while the panel is open takes it over.
    choose(row(1), two);
    EXPECT_FALSE(stored(captureKey).isValid());
    EXPECT_EQ(stored(batchKey).toString(), two);

    choose(row(0), one);
    EXPECT_EQ(ScriptPanel::shared().existingDialog(), panel);
    EXPECT_EQ(&ScriptPanel::shared(), &ScriptPanel::shared());
    EXPECT_EQ(panelWindows(), 1);
    EXPECT_EQ(stored(captureKey).toString(), one);
}

TEST_F(ScriptPanelTest, ThePanelTakesOneAppleScriptFileAndNeverAFolder) {
    const std::pair<QString, bool> names[] = {{QStringLiteral("a.scpt"), true},
                                              {QStringLiteral("/x/y/B.AppleScript"), true},
                                              {QStringLiteral("a.scptd"), false},
                                              {QStringLiteral("a.scpt.txt"), false},
                                              {QStringLiteral("scpt"), false}};
    for (const auto& [name, accepted] : names) {
        EXPECT_EQ(ScriptFileDialog::isScriptFileName(name), accepted) << name.toStdString();
    }

    showDetail();
    ScriptFileDialog* panel = openPanel(row(0));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(panel->nameFilters(), QStringList{QStringLiteral("AppleScript files (*.scpt *.applescript)")});
    // A window of its own: not attached to the main window, blocking nothing.
    EXPECT_EQ(panel->parentWidget(), nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::NonModal);

    // Another kind of file is refused and the panel stays open.
    QSignalSpy refused(panel, &ScriptFileDialog::refused);
    panel->selectFile(world.temp().write(QStringLiteral("Scripts/notes.txt"), "text"));
    panel->accept();
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(panel->isVisible());
    // A folder, even with a script-like name, is opened.
    const QString folder = world.temp().filePath(QStringLiteral("Bundle.scpt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    panel->selectFile(folder);
    panel->accept();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QDir(folder).absolutePath());

    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
    expectShowsNoFile(row(0));
}

TEST_F(ScriptPanelTest, TheKeyboardOpensThePanelAndItClosesWhenTheAskingRowGoesAway) {
    showDetail();
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    row(0)->chooseButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(row(0)->chooseButton(), Qt::Key_Space);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(ScriptPanel::shared().requester(), row(0));

    // Another version is selected: the detail view and its rows go, and nothing is written.
    host.reset();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(ScriptPanel::shared().requester(), nullptr);
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

} // namespace

#include "ScriptViewTest.moc"
