// Editing assignments in the window: File › Export and Import Assignments… and Copy Assignments
// To through the preview, and undo and redo by the Edit menu's keys.

#include "tests/app/AppWorld.h"
#include "tests/support/ArchivedURL.h"

#include "app/ApplicationView.h"
#include "app/AssignmentCommand.h"
#include "app/AssignmentTransfer.h"
#include "app/ChooseButton.h"
#include "app/ContentView.h"
#include "app/ImportPreview.h"
#include "app/ScriptView.h"
#include "app/UndoHistory.h"
#include "core/BackgroundScript.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace quillmere;
using namespace Qt::StringLiterals;
using apptest::AppWorld;

namespace {

const QList<QPair<QString, QString>> kFourScripts{{u"capture done script"_s, u"After a capture."_s},
                                                  {u"batch done script"_s, u"After a batch."_s},
                                                  {u"export done script"_s, u"After an export."_s},
                                                  {u"import done script"_s, u"After an import."_s}};

const QString kBatchKey = u"endOfBatchScript"_s;

QString keyOf(const QString& scriptName) {
    return brisquel::BackgroundScript::defaultsKey(scriptName);
}

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(22, kFourScripts);
        // The newer copy lacks the import script.
        world.addCopy(23, kFourScripts.mid(0, 3));
    }
    void TearDown() override {
        for (ImportPreview* preview : apptest::visibleTopLevels<ImportPreview>()) {
            preview->reject();
        }
        app.reset();
    }

    void launch() { app = std::make_unique<apptest::AppWindow>(world); }
    AssignmentTransfer* transfer() const { return app->content()->transfer(); }
    ImportPreview* preview() const { return planned(transfer()->previewCopy(app->copy(22), app->copy(23))); }
    QByteArray bytes(int number) const {
        return AppWorld::readBytes(world.domainFile(world.identifier(number)));
    }
    QVariantMap stored(int number) const {
        return world.domainContents(world.identifier(number)).value_or(QVariantMap());
    }
    static void chooseInFileDialog(const QString& file) {
        const QList<QFileDialog*> dialogs = apptest::visibleTopLevels<QFileDialog>();
        ASSERT_EQ(dialogs.size(), 1);
        dialogs.first()->selectFile(file);
        // As the dialog's own button does (QFileDialog::accept() is protected).
        static_cast<QDialog*>(dialogs.first())->accept();
    }
    // The preview, once its plan is shown (it is worked out away from the GUI thread).
    static ImportPreview* planned(ImportPreview* preview) {
        EXPECT_NE(preview, nullptr);
        EXPECT_TRUE(preview && QTest::qWaitFor([&] { return !preview->isPlanning(); }));
        return preview;
    }
    static QStringList column(const ImportPreview* preview, int index) {
        QStringList texts;
        for (int row = 0; row < preview->changeList()->topLevelItemCount(); ++row) {
            texts << preview->changeList()->topLevelItem(row)->text(index);
        }
        return texts;
    }

    AppWorld world;
    std::unique_ptr<apptest::AppWindow> app;
};

TEST_F(Transfer, AnUpgradeCarriesThreeOfFourScriptsAndChangesNothingElse) {
    QStringList files;
    for (const auto& [name, description] : kFourScripts) {
        files << world.scriptFile(name + u".scpt"_s);
        ASSERT_TRUE(world.writeExternally(world.identifier(22), keyOf(name), files.last()));
    }
    ASSERT_TRUE(
        world.writeExternally(world.identifier(23), u"archived"_s, testsupport::ArchivedURL().bytes()));
    const QVariantMap before = stored(23);
    launch();

    // Exported from the older copy and imported into the newer, each through its file dialog.
    const QString profile = world.temp().filePath(u"studio.json"_s);
    app->content()->setSelectedApp(app->copy(22));
    QSignalSpy exported(transfer(), &AssignmentTransfer::exported);
    transfer()->exportAction()->trigger();
    chooseInFileDialog(profile);
    ASSERT_TRUE(exported.wait(5000));
    app->content()->setSelectedApp(app->copy(23));
    transfer()->importAction()->trigger();
    chooseInFileDialog(profile);
    const QList<ImportPreview*> previews = apptest::visibleTopLevels<ImportPreview>();
    ASSERT_EQ(previews.size(), 1);
    ImportPreview* shown = planned(previews.first());
    EXPECT_EQ(column(shown, 0), QStringList({u"Set"_s, u"Set"_s, u"Set"_s, u"Skipped"_s}));
    EXPECT_EQ(column(shown, 2), files);
    EXPECT_FALSE(shown->importAnywayBox()->isVisible());

    QTest::keyClick(shown->changeList(), Qt::Key_Return);
    EXPECT_TRUE(apptest::visibleTopLevels<ImportPreview>().isEmpty());
    QVariantMap expected = before;
    for (int i = 0; i < 3; ++i) {
        expected.insert(keyOf(kFourScripts[i].first), files[i]);
    }
    EXPECT_EQ(stored(23), expected);
    EXPECT_EQ(app->undoText(), u"Undo Import Assignments"_s);
    EXPECT_EQ(app->row(2)->chooseButton()->text(), u"export done script.scpt"_s);

    // Imported again, it would change nothing, and Import waits.
    shown = planned(transfer()->previewImport(profile, app->copy(23)));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->summaryText().startsWith(u"Nothing would change. 3 unchanged, 1 skipped."_s))
        << shown->summaryText().toStdString();
    EXPECT_FALSE(shown->importButton()->isEnabled());
}

struct Dismissal {
    const char* name;
    void (*dismiss)(ImportPreview* preview);
};

void PrintTo(const Dismissal& dismissal, std::ostream* out) {
    *out << dismissal.name;
}

class Dismissed : public Transfer, public ::testing::WithParamInterface<Dismissal> {};

TEST_P(Dismissed, ThePreviewWritesNothingByteForByte) {
    const QString newer = world.identifier(23);
    ASSERT_TRUE(
        world.writeExternally(newer, keyOf(u"batch done script"_s), world.scriptFile(u"Kept.scpt"_s)));
    // A line break in a file name: each cell of the list shows one line.
    const QString empty = world.temp().write(u"Scripts/Em\npty.scpt"_s, QByteArray());
    ASSERT_TRUE(world.writeExternally(world.identifier(22), keyOf(u"capture done script"_s), empty));
    const QByteArray before = bytes(23);
    launch();

    ImportPreview* shown = preview();
    ASSERT_NE(shown, nullptr);
    // A file Capture One could not run holds Import back until "Import anyway".
    EXPECT_TRUE(column(shown, 3).first().contains(QString(empty).replace(u'\n', u' ') + u" is empty"_s))
        << column(shown, 3).join(u'|').toStdString();
    EXPECT_FALSE(shown->importButton()->isEnabled());
    shown->replaceBox()->click();
    planned(shown);
    EXPECT_EQ(column(shown, 0), QStringList({u"Set"_s, u"Clear"_s}));
    shown->importAnywayBox()->click();
    EXPECT_TRUE(shown->importButton()->isEnabled());

    GetParam().dismiss(shown);
    EXPECT_TRUE(QTest::qWaitFor([] { return apptest::visibleTopLevels<ImportPreview>().isEmpty(); }));
    EXPECT_EQ(bytes(23), before);
    EXPECT_FALSE(app->content()->undoHistory()->undoAction()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Dismissed,
    ::testing::Values(Dismissal{"CancelButton",
                                [](ImportPreview* preview) {
                                    for (QPushButton* button : preview->findChildren<QPushButton*>()) {
                                        if (button->text().remove(u'&') == u"Cancel"_s) {
                                            button->click();
                                        }
                                    }
                                }},
                      Dismissal{"Escape",
                                [](ImportPreview* preview) { QTest::keyClick(preview, Qt::Key_Escape); }}),
    [](const ::testing::TestParamInfo<Dismissal>& way) { return std::string(way.param.name); });

// Done to the domain of copy 23 between the preview's showing and Import.
struct WriteFault {
    const char* name;
    void (*meanwhile)(testsupport::MemoryDefaults& domain, const QString& script);
    QStringList words; // of the message
};

void PrintTo(const WriteFault& fault, std::ostream* out) {
    *out << fault.name;
}

class WriteFaults : public Transfer, public ::testing::WithParamInterface<WriteFault> {};

TEST_P(WriteFaults, AreShownWithTheReasonWriteNothingAndTheImportCanBeTriedAgain) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.change([&](auto& platform) { platform.preferences = memory; });
    const QString batch = keyOf(u"batch done script"_s);
    memory->domain(world.identifier(22))->m_values.insert(batch, world.scriptFile(u"Mine.scpt"_s));
    testsupport::MemoryDefaults& newer = *memory->domain(world.identifier(23));
    launch();
    // Copy Assignments To, from the keyboard on the sidebar; no row, no menu.
    EXPECT_EQ(app->content()->createSidebarMenu(-1, nullptr), nullptr);
    EXPECT_EQ(app->content()->createSidebarMenu(2, nullptr), nullptr);
    app->select(22);
    app->content()->sidebar()->setFocus();
    QTest::keyClick(app->content()->sidebar(), Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> targets = menu->actions().first()->menu()->actions();
    ASSERT_EQ(targets.size(), 1);
    EXPECT_EQ(targets.first()->text(), u"Capture One 23"_s);
    targets.first()->trigger();
    const QList<ImportPreview*> previews = apptest::visibleTopLevels<ImportPreview>();
    ASSERT_EQ(previews.size(), 1);
    ImportPreview* shown = planned(previews.first());
    GetParam().meanwhile(newer, world.scriptFile(u"Theirs.scpt"_s));
    const QVariant before = newer.m_values.value(batch);

    shown->importButton()->click();
    const QString message = apptest::takeMessage();
    for (const QString& word : GetParam().words) {
        EXPECT_TRUE(message.contains(word)) << word.toStdString();
    }
    // Nothing stored, another writer's change kept, no step taken; the preview stays to try again.
    EXPECT_TRUE(AssignmentCommand::same(newer.m_values.value(batch), before));
    EXPECT_FALSE(app->content()->undoHistory()->undoAction()->isEnabled());
    ASSERT_TRUE(shown->isVisible());
    planned(shown);
    newer.m_failWrites = false;
    shown->importButton()->click();
    EXPECT_TRUE(apptest::visibleTopLevels<QMessageBox>().isEmpty());
    EXPECT_EQ(app->undoText(), u"Undo Copy Assignments in Capture One 23"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaults,
    ::testing::Values(
        WriteFault{"WriteFails",
                   [](testsupport::MemoryDefaults& domain, const QString&) { domain.m_failWrites = true; },
                   {u"Nothing was imported into Capture One 23"_s, u"cannot be written (test)"_s}},
        WriteFault{
            "ChangedMeanwhile",
            [](testsupport::MemoryDefaults& domain, const QString& script) {
                domain.m_values.insert(keyOf(u"batch done script"_s), script);
            },
            {u"Nothing was imported into Capture One 23"_s, u"endOfBatchScript"_s, u"another program"_s}}),
    [](const ::testing::TestParamInfo<WriteFault>& fault) { return std::string(fault.param.name); });

TEST_F(Transfer, AProfileThatCannotBeReadIsRefusedWithItsReasonAndNothingWritten) {
    launch();
    const QByteArray before = bytes(23);
    const QString file = world.temp().write(u"broken.json"_s, QByteArrayLiteral("{\"format\": "));
    EXPECT_EQ(transfer()->previewImport(file, app->copy(23)), nullptr);
    EXPECT_TRUE(apptest::takeMessage().contains(u"broken.json"_s));
    EXPECT_EQ(bytes(23), before);
}

class WindowUndo : public Transfer {
protected:
    void SetUp() override {
        Transfer::SetUp();
        domain = world.identifier(23);
    }
    ScriptView* batchRow() const { return app->row(1); }
    QAction* undo() const { return app->content()->undoHistory()->undoAction(); }
    QAction* redo() const { return app->content()->undoHistory()->redoAction(); }
    void press(QKeyCombination keys) const {
        QTest::keyClick(app->window(), keys.key(), keys.keyboardModifiers());
    }
    QVariant stored(const QString& key = kBatchKey) const {
        return world.domainContents(domain).value_or(QVariantMap()).value(key);
    }
    // As its menu item reads, without the mnemonic's mark.
    static QString shown(const QAction* action) { return action->iconText(); }

    QString domain;
};

TEST_F(WindowUndo, CtrlZAndCtrlShiftZPutBackTheExactValueAndTheRowFollowsAtOnce) {
    ASSERT_TRUE(world.writeExternally(domain, kBatchKey, testsupport::ArchivedURL().bytes()));
    const QByteArray before = AppWorld::readBytes(world.domainFile(domain));
    launch();
    batchRow()->clear();
    EXPECT_EQ(shown(undo()), u"Undo Remove Batch Done"_s);
    press(Qt::CTRL | Qt::Key_Z);
    // The row follows at once, not at the domain's notice; the archived URL is back byte for byte.
    EXPECT_EQ(batchRow()->chooseButton()->text(), u"My Script ü.scpt"_s);
    EXPECT_EQ(AppWorld::readBytes(world.domainFile(domain)), before);
    EXPECT_EQ(shown(redo()), u"Redo Remove Batch Done"_s);
    EXPECT_FALSE(undo()->isEnabled());
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    EXPECT_EQ(batchRow()->chooseButton()->text(), ScriptView::chooseText());

    // The same file chosen twice is one step.
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(shown(undo()), u"Undo Assign Batch Done"_s);

    // Another program's file assigned before the undo stays, and only that step goes.
    ASSERT_TRUE(world.writeExternally(domain, kBatchKey, world.scriptFile(u"Theirs.scpt"_s)));
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(batchRow()->chooseButton()->text(), u"Theirs.scpt"_s);
    EXPECT_TRUE(apptest::takeMessage().contains(u"was not undone"_s));
    EXPECT_EQ(shown(undo()), u"Undo Remove Batch Done"_s);
    EXPECT_FALSE(redo()->isEnabled());
    EXPECT_EQ(QFileInfo(stored().toString()).fileName(), u"Theirs.scpt"_s);
}

TEST_F(WindowUndo, AFailedUndoShowsItsReasonAndTheStepStaysToBeTriedAgain) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.change([&](auto& platform) { platform.preferences = memory; });
    launch();
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    memory->domain(domain)->m_failWrites = true;

    undo()->trigger();
    const QString message = apptest::takeMessage();
    EXPECT_TRUE(message.contains(domain + u" cannot be written (test)"_s));
    EXPECT_TRUE(message.contains(u"Assign Batch Done"_s));
    EXPECT_EQ(shown(undo()), u"Undo Assign Batch Done"_s);
    EXPECT_EQ(batchRow()->chooseButton()->text(), u"Mine.scpt"_s);

    memory->domain(domain)->m_failWrites = false;
    undo()->trigger();
    EXPECT_TRUE(apptest::visibleTopLevels<QMessageBox>().isEmpty());
    EXPECT_FALSE(memory->domain(domain)->m_values.contains(kBatchKey));
    EXPECT_EQ(shown(redo()), u"Redo Assign Batch Done"_s);
}

TEST_F(WindowUndo, TheHistoryOutlivesTheCopyShownAndNamesTheCopyWhenAnotherIsShown) {
    launch();
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    app->select(22);
    EXPECT_EQ(shown(undo()), u"Undo Assign Batch Done in Capture One 23"_s);
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    EXPECT_EQ(shown(redo()), u"Redo Assign Batch Done in Capture One 23"_s);
    app->select(23);
    EXPECT_EQ(shown(redo()), u"Redo Assign Batch Done"_s);
    EXPECT_EQ(batchRow()->chooseButton()->text(), ScriptView::chooseText());
}

TEST_F(WindowUndo, AnUndoDuringTheDetailsReadIsShownWhenTheReadArrives) {
    launch();
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    app->select(22);
    // The read away from the GUI thread is over, its result not yet delivered, when the undo comes.
    app->content()->setSelectedApp(app->copy(23));
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_TRUE(app->content()->applicationView()->rows().isEmpty());
    undo()->trigger();
    EXPECT_FALSE(stored().isValid());
    app->waitForRows();
    EXPECT_EQ(batchRow()->chooseButton()->text(), ScriptView::chooseText());
}

TEST_F(WindowUndo, AScriptNameIsShownInTheMenuAsItStands) {
    world.addCopy(24, {{u"rock & roll done script"_s, u"Runs."_s}});
    domain = world.identifier(24);
    launch();
    app->select(24);
    apptest::choose(app->row(0), world.scriptFile(u"Mine.scpt"_s));
    EXPECT_EQ(shown(undo()), u"Undo Assign Rock & Roll Done"_s);
}

} // namespace
