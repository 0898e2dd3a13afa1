// The one script panel of the process: shared by every row, one AppleScript file and never a
// folder, nothing carried from one row's choice to the next, and a completion list that never
// outlives the panel nor swallows a click.

#include "tests/app/AppWorld.h"

#include "app/ApplicationView.h"
#include "app/ChooseButton.h"
#include "app/ScriptPanel.h"
#include "app/ScriptView.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace quillmere;
using apptest::AppWorld;

namespace {

const QString kCaptureKey = QStringLiteral("endOfCaptureScript");
const QString kBatchKey = QStringLiteral("endOfBatchScript");

class SharedPanel : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(23);
        domain = world.identifier(23);
        host = world.showDetail(23);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        if (ScriptPanel* panel = ScriptPanel::existing(); panel && panel->isVisible()) {
            panel->reject();
        }
        apptest::closeMessageBoxes();
        host.reset();
        apptest::settle();
    }

    ScriptView* row(int index) { return host->rows().value(index); }
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

    // Opens the panel on the Scripts folder for a row and types a name until the completion list
    // shows it.
    ScriptPanel* typeWithCompletionListShowing(ScriptView* view, const QString& folder, const QString& name) {
        host->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.get()));
        ScriptPanel* panel = apptest::openPanel(view);
        panel->setDirectory(folder);
        auto* files = panel->findChild<QListView*>(QStringLiteral("listView"));
        EXPECT_TRUE(
            apptest::waitUntil([&] { return files && files->model()->rowCount(files->rootIndex()) > 0; }));
        EXPECT_TRUE(QTest::qWaitForWindowActive(panel));
        QLineEdit* field = panel->fileNameField();
        field->setFocus();
        QTest::keyClicks(field, name);
        EXPECT_TRUE(apptest::waitUntil([&] { return panel->completionList()->isVisible(); }));
        return panel;
    }

    AppWorld world;
    QString domain;
    std::unique_ptr<ApplicationView> host;
};

TEST_F(SharedPanel, RowsShareOnePanelForTheWholeProcessAndTheLastToAskIsAnswered) {
    const QString one = world.scriptFile(QStringLiteral("One.scpt"));
    const QString two = world.scriptFile(QStringLiteral("Two.scpt"));
    ScriptPanel* panel = apptest::openPanel(row(0));
    // A second row asking while the panel is open takes it over.
    apptest::choose(row(1), two);
    EXPECT_FALSE(stored(kCaptureKey).isValid());
    EXPECT_EQ(stored(kBatchKey).toString(), two);

    apptest::choose(row(0), one);
    EXPECT_EQ(ScriptPanel::existing(), panel);
    EXPECT_EQ(&ScriptPanel::shared(), panel);
    EXPECT_EQ(panelWindows(), 1);
    EXPECT_EQ(stored(kCaptureKey).toString(), one);
}

TEST_F(SharedPanel, ThePanelTakesOneAppleScriptFileAndNeverAFolder) {
    const std::pair<QString, bool> names[] = {{QStringLiteral("a.scpt"), true},
                                              {QStringLiteral("/x/y/B.AppleScript"), true},
                                              {QStringLiteral("a.scptd"), false},
                                              {QStringLiteral("a.scpt.txt"), false},
                                              {QStringLiteral("scpt"), false}};
    for (const auto& [name, accepted] : names) {
        EXPECT_EQ(ScriptPanel::isScriptFileName(name), accepted) << name.toStdString();
    }

    ScriptPanel* panel = apptest::openPanel(row(0));
    ASSERT_NE(panel, nullptr);

    // Another kind of file is refused, its name shown as it stands, and the panel stays open.
    QSignalSpy refused(panel, &ScriptPanel::refused);
    panel->selectFile(world.temp().write(QStringLiteral("Scripts/<i>notes<i>.txt"), "text"));
    panel->accept();
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(panel->isVisible());
    QMessageBox* box = apptest::onlyMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_TRUE(box->text().contains(QStringLiteral("<i>notes<i>.txt")));
    apptest::closeMessageBoxes();

    // A folder, even with a script-like name, is opened.
    const QString folder = world.temp().filePath(QStringLiteral("Bundle.scpt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    panel->selectFile(folder);
    panel->accept();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QDir(folder).absolutePath());

    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

// How a script bundle, a folder on disk, is picked in the panel.
enum class Pick { Typed, DoubleClicked, SelectedAndChosen };

struct BundlePick {
    const char* name;
    Pick pick;
};

void PrintTo(const BundlePick& pick, std::ostream* out) {
    *out << pick.name;
}

class ScriptBundle : public SharedPanel, public ::testing::WithParamInterface<BundlePick> {};

TEST_P(ScriptBundle, IsChosenAsOneFileHoweverItIsPicked) {
    const QString bundle = world.temp().filePath(QStringLiteral("Scripts/Export.SCPTD"));
    world.scriptFile(QStringLiteral("Export.SCPTD/Contents/Resources/Scripts/main.scpt"));
    EXPECT_TRUE(ScriptPanel::isScriptBundle(bundle));
    EXPECT_FALSE(ScriptPanel::isScriptBundle(world.scriptFile(QStringLiteral("plain.scptd"))));

    ScriptPanel* panel = apptest::openPanel(row(0));
    ASSERT_NE(panel, nullptr);
    panel->setViewMode(QFileDialog::Detail);
    panel->setDirectory(QFileInfo(bundle).absolutePath());
    auto* files = panel->findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    ASSERT_TRUE(apptest::waitUntil([&] { return files->model()->rowCount(files->rootIndex()) > 1; }));
    QModelIndex item;
    for (int i = 0; i < files->model()->rowCount(files->rootIndex()); ++i) {
        const QModelIndex at = files->model()->index(i, 0, files->rootIndex());
        if (at.data().toString() == QStringLiteral("Export.SCPTD")) {
            item = at;
        }
    }
    ASSERT_TRUE(item.isValid());
    switch (GetParam().pick) {
    case Pick::Typed:
        panel->fileNameField()->setText(bundle);
        QTest::keyClick(panel->fileNameField(), Qt::Key_Return);
        break;
    case Pick::DoubleClicked:
        files->setCurrentIndex(item);
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(item).center());
        break;
    case Pick::SelectedAndChosen:
        files->setCurrentIndex(item);
        panel->accept();
        break;
    }
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(stored(kCaptureKey).toString(), bundle);
}

INSTANTIATE_TEST_SUITE_P(Ways, ScriptBundle,
                         ::testing::Values(BundlePick{"Typed", Pick::Typed},
                                           BundlePick{"DoubleClicked", Pick::DoubleClicked},
                                           BundlePick{"SelectedAndChosen", Pick::SelectedAndChosen}),
                         [](const ::testing::TestParamInfo<BundlePick>& pick) {
                             return std::string(pick.param.name);
                         });

TEST_F(SharedPanel, ReopensInTheFolderLastUsedTypedOrBrowsed) {
    // Browsed to, then cancelled.
    const QString browsed = QFileInfo(world.scriptFile(QStringLiteral("Browsed/a.scpt"))).absolutePath();
    ScriptPanel* panel = apptest::openPanel(row(0));
    panel->setDirectory(browsed);
    panel->reject();
    panel = apptest::openPanel(row(1));
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), browsed);

    // A file in another folder typed and chosen.
    const QString typed = world.scriptFile(QStringLiteral("Typed/Elsewhere/b.applescript"));
    panel->fileNameField()->setText(typed);
    QTest::keyClick(panel->fileNameField(), Qt::Key_Return);
    ASSERT_EQ(stored(kBatchKey).toString(), typed);
    panel = apptest::openPanel(row(0));
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QFileInfo(typed).absolutePath());
}

TEST_F(SharedPanel, OpenedForAnotherRowThePanelOffersNothingOfThePreviousChoice) {
    const QString first = world.scriptFile(QStringLiteral("Export Done.scpt"));
    apptest::choose(row(0), first);
    ASSERT_EQ(stored(kCaptureKey).toString(), first);

    ScriptPanel* panel = apptest::openPanel(row(1));
    // The folder stays where the last choice was made; nothing in it is selected.
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QFileInfo(first).absolutePath());
    EXPECT_TRUE(panel->fileNameField()->text().isEmpty());
    for (QAbstractItemView* view : panel->findChildren<QAbstractItemView*>()) {
        if (view->objectName() == QLatin1String("listView") ||
            view->objectName() == QLatin1String("treeView")) {
            EXPECT_TRUE(view->selectionModel()->selectedIndexes().isEmpty())
                << view->objectName().toStdString();
        }
    }
    // Return at once assigns nothing to the second row.
    QTest::keyClick(panel->fileNameField(), Qt::Key_Return);
    EXPECT_FALSE(stored(kBatchKey).isValid());
}

TEST_F(SharedPanel, ReturnWhileTheCompletionListShowsClosesListAndPanelAndGivesTheWindowItsKeysBack) {
    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    world.scriptFile(QStringLiteral("Export Later.scpt"));
    ScriptPanel* panel = typeWithCompletionListShowing(row(1), QFileInfo(file).absolutePath(),
                                                       QStringLiteral("Export Done.scpt"));
    QTest::keyClick(panel->completionList(), Qt::Key_Return);

    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->completionList()->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(stored(kBatchKey).toString(), file);
    // The keyboard is back in the row that asked, and Tab moves on from there.
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    EXPECT_TRUE(row(1)->chooseButton()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(row(1)->chooseButton()->hasFocus());
}

TEST_F(SharedPanel, OneClickOnChooseChoosesWhileTheCompletionListShows) {
    const QString file = world.scriptFile(QStringLiteral("Export Done.scpt"));
    world.scriptFile(QStringLiteral("Export Later.scpt"));
    ScriptPanel* panel = typeWithCompletionListShowing(row(0), QFileInfo(file).absolutePath(),
                                                       QStringLiteral("Export Done.scpt"));
    auto* buttons = panel->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* chooseButton = buttons->button(QDialogButtonBox::Open);
    ASSERT_NE(chooseButton, nullptr);
    EXPECT_EQ(chooseButton->text(), QStringLiteral("Choose"));
    QSignalSpy clicked(chooseButton, &QPushButton::clicked);
    QTest::mouseClick(chooseButton, Qt::LeftButton);
    apptest::settle();

    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(chooseButton->isDown());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->completionList()->isVisible());
    EXPECT_EQ(stored(kCaptureKey).toString(), file);
}

TEST_F(SharedPanel, ThePanelClosesWhenTheAskingRowGoesAway) {
    ScriptPanel* panel = apptest::openPanel(row(0));
    ASSERT_NE(panel, nullptr);
    // Another copy is selected: the detail view and its rows go, and nothing is written.
    host.reset();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->requester(), nullptr);
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

} // namespace
