// The one script panel of the process: its settings, what it lets be chosen, and how it serves
// the rows that ask for it.

#include "AppWorld.h"

#include "ApplicationView.h"
#include "ScriptFileDialog.h"
#include "ScriptPanel.h"
#include "ScriptView.h"

#include "ChooseButton.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillmere;
using apptest::AppWorld;

namespace {

class ScriptPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(23);
        domain = AppWorld::identifier(23);
        const QList<brisquel::AppFinder::App> apps = world.finder().discover();
        ASSERT_EQ(apps.size(), 1);
        detail = std::make_unique<ApplicationView>(apps.first());
        detail->resize(500, 400);
        QSignalSpy read(detail.get(), &ApplicationView::scriptsRead);
        detail->show();
        ASSERT_TRUE(read.wait(5000));
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
        detail.reset();
        apptest::settle();
    }

    ScriptView* row(int index) { return detail->rows().value(index); }
    QVariant stored(const QString& key) const {
        return world.domainContents(domain).value_or(QVariantMap()).value(key);
    }
    static int panelWindows() {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            count += qobject_cast<QFileDialog*>(w) ? 1 : 0;
        }
        return count;
    }

    AppWorld world;
    QString domain;
    std::unique_ptr<ApplicationView> detail;
};

TEST_F(ScriptPanelTest, ThePanelAllowsOneAppleScriptFileAndNoFolders) {
    ScriptFileDialog* panel = ScriptPanel::shared().dialog();
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(panel->nameFilters(), QStringList{QStringLiteral("AppleScript files (*.scpt *.applescript)")});
    EXPECT_FALSE(panel->testOption(QFileDialog::ShowDirsOnly));
    // A window of its own: not attached to the main window, blocking nothing.
    EXPECT_EQ(panel->parentWidget(), nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::NonModal);

    EXPECT_TRUE(ScriptFileDialog::isScriptFileName(QStringLiteral("a.scpt")));
    EXPECT_TRUE(ScriptFileDialog::isScriptFileName(QStringLiteral("/x/y/B.AppleScript")));
    EXPECT_FALSE(ScriptFileDialog::isScriptFileName(QStringLiteral("a.scptd")));
    EXPECT_FALSE(ScriptFileDialog::isScriptFileName(QStringLiteral("a.scpt.txt")));
    EXPECT_FALSE(ScriptFileDialog::isScriptFileName(QStringLiteral("scpt")));
}

TEST_F(ScriptPanelTest, RowsShareOnePanelForTheWholeProcess) {
    QTest::mouseClick(row(0)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* first = ScriptPanel::shared().existingDialog();
    ASSERT_NE(first, nullptr);
    first->selectFile(world.scriptFile(QStringLiteral("One.scpt")));
    first->accept();

    QTest::mouseClick(row(1)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* second = ScriptPanel::shared().existingDialog();
    EXPECT_EQ(second, first);
    EXPECT_TRUE(second->isVisible());
    second->selectFile(world.scriptFile(QStringLiteral("Two.scpt")));
    second->accept();

    EXPECT_EQ(panelWindows(), 1);
    EXPECT_EQ(&ScriptPanel::shared(), &ScriptPanel::shared());
    EXPECT_EQ(stored(QStringLiteral("endOfCaptureScript")).toString(),
              world.scriptFile(QStringLiteral("One.scpt")));
    EXPECT_EQ(stored(QStringLiteral("endOfBatchScript")).toString(),
              world.scriptFile(QStringLiteral("Two.scpt")));
}

TEST_F(ScriptPanelTest, AFileOfAnotherKindIsRefusedAndThePanelStaysOpen) {
    QTest::mouseClick(row(0)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    QSignalSpy refused(panel, &ScriptFileDialog::refused);
    panel->selectFile(world.temp().write(QStringLiteral("Scripts/notes.txt"), "text"));
    panel->accept();

    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
    EXPECT_EQ(row(0)->chooseButton()->text(), QStringLiteral("Choose a script"));
}

TEST_F(ScriptPanelTest, AFolderIsOpenedNeverChosenEvenWithAScriptLikeName) {
    const QString folder = world.temp().filePath(QStringLiteral("Bundle.scpt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QTest::mouseClick(row(0)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    panel->selectFile(folder);
    panel->accept();

    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QDir(folder).absolutePath());
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

TEST_F(ScriptPanelTest, ASecondRowAskingTakesThePanelOver) {
    QTest::mouseClick(row(0)->chooseButton(), Qt::LeftButton);
    QTest::mouseClick(row(1)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    EXPECT_EQ(ScriptPanel::shared().requester(), row(1));
    panel->selectFile(world.scriptFile(QStringLiteral("Two.scpt")));
    panel->accept();

    EXPECT_FALSE(stored(QStringLiteral("endOfCaptureScript")).isValid());
    EXPECT_EQ(stored(QStringLiteral("endOfBatchScript")).toString(),
              world.scriptFile(QStringLiteral("Two.scpt")));
    EXPECT_EQ(panelWindows(), 1);
}

TEST_F(ScriptPanelTest, ThePanelClosesWhenTheAskingRowGoesAway) {
    QTest::mouseClick(row(0)->chooseButton(), Qt::LeftButton);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    ASSERT_TRUE(panel->isVisible());
    // Another version is selected: the detail view and its rows go.
    detail.reset();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(ScriptPanel::shared().requester(), nullptr);
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

TEST_F(ScriptPanelTest, TheKeyboardOpensThePanel) {
    detail->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(detail.get()));
    row(0)->chooseButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(row(0)->chooseButton(), Qt::Key_Space);
    ScriptFileDialog* panel = ScriptPanel::shared().existingDialog();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(ScriptPanel::shared().requester(), row(0));
}

} // namespace
