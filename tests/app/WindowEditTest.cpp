// Editing assignments: File › Export and Import Assignments… and Copy Assignments To through the
// preview, undo and redo by the Edit menu's keys, and the undo steps themselves.

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
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace quillmere;
using namespace Qt::StringLiterals;
using namespace apptest;
using Side = AssignmentCommand::Side;
using Outcome = AssignmentCommand::Outcome;

namespace {

using apptest::PrintTo;

// A name that a menu would take for a mnemonic mark.
const QList<QPair<QString, QString>> kFourScripts{{u"capture done script"_s, u"After a capture."_s},
                                                  {u"batch done script"_s, u"After a batch."_s},
                                                  {u"rock & roll done script"_s, u"After a song."_s},
                                                  {u"import done script"_s, u"After an import."_s}};

QString keyOf(const QString& scriptName) {
    return brisquel::BackgroundScript::defaultsKey(scriptName);
}

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(22, kFourScripts);
        world.addCopy(23, kFourScripts.mid(0, 3)); // without the import script
    }

    void launch() { app = std::make_unique<apptest::AppWindow>(world); }
    AssignmentTransfer* transfer() const { return app->content()->transfer(); }
    QByteArray bytes(int number) const {
        return plisttest::fileBytes(world.domainFile(world.identifier(number)));
    }
    QVariantMap stored(int number) const {
        return world.domainContents(world.identifier(number)).value_or(QVariantMap());
    }
    static void chooseInFileDialog(const QString& file) {
        const QList<QFileDialog*> dialogs = apptest::visibleTopLevels<QFileDialog>();
        ASSERT_EQ(dialogs.size(), 1);
        dialogs.first()->selectFile(file);
        static_cast<QDialog*>(dialogs.first())->accept(); // QFileDialog::accept() is protected
    }
    // Once its plan, worked out away from the GUI thread, is shown.
    static ImportPreview* planned(ImportPreview* preview) {
        EXPECT_TRUE(preview && QTest::qWaitFor([&] { return !preview->isPlanning(); }));
        return preview;
    }
    static ImportPreview* onlyPreview() {
        const QList<ImportPreview*> previews = apptest::visibleTopLevels<ImportPreview>();
        EXPECT_EQ(previews.size(), 1);
        return planned(previews.value(0));
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
    QVariantMap expected{{u"archived"_s, testsupport::ArchivedURL().bytes()}};
    ASSERT_TRUE(world.writeExternally(world.identifier(23), u"archived"_s, expected.first()));
    for (const auto& [name, description] : kFourScripts) {
        const QString file = world.scriptFile(name + u".scpt"_s);
        ASSERT_TRUE(world.writeExternally(world.identifier(22), keyOf(name), file));
        if (name != kFourScripts.last().first) {
            expected.insert(keyOf(name), file);
        }
    }
    launch();

    const QString profile = world.temp().filePath(u"studio.json"_s);
    app->select(22);
    QSignalSpy exported(transfer(), &AssignmentTransfer::exported);
    transfer()->exportAction()->trigger();
    chooseInFileDialog(profile);
    ASSERT_TRUE(exported.wait(5000));
    app->select(23);
    transfer()->importAction()->trigger();
    chooseInFileDialog(profile);
    ImportPreview* shown = onlyPreview();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(column(shown, 0), QStringList({u"Set"_s, u"Set"_s, u"Set"_s, u"Skipped"_s}));
    EXPECT_FALSE(shown->importAnywayBox()->isVisible());
    QTest::keyClick(shown->changeList(), Qt::Key_Return);
    EXPECT_TRUE(apptest::visibleTopLevels<ImportPreview>().isEmpty());
    EXPECT_EQ(stored(23), expected);
    EXPECT_EQ(app->undoText(), u"Undo Import Assignments"_s);
    EXPECT_EQ(app->row(2)->chooseButton()->text(), u"rock & roll done script.scpt"_s);

    shown = planned(transfer()->previewImport(profile, app->copy(23)));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->summaryText().startsWith(u"Nothing would change. 3 unchanged, 1 skipped."_s));
    EXPECT_FALSE(shown->importButton()->isEnabled());
}

struct Dismissal {
    const char* name;
    void (*dismiss)(ImportPreview* preview);
};

class Dismissed : public Transfer, public ::testing::WithParamInterface<Dismissal> {};

TEST_P(Dismissed, ThePreviewWritesNothingByteForByte) {
    ASSERT_TRUE(world.writeExternally(world.identifier(23), kBatchKey, world.scriptFile(u"Kept.scpt"_s)));
    // A line break in a file name: each cell of the list shows one line.
    const QString empty = world.temp().write(u"Scripts/Em\npty.scpt"_s, QByteArray());
    ASSERT_TRUE(world.writeExternally(world.identifier(22), keyOf(u"capture done script"_s), empty));
    const QByteArray before = bytes(23);
    launch();

    ImportPreview* shown = planned(transfer()->previewCopy(app->copy(22), app->copy(23)));
    ASSERT_NE(shown, nullptr);
    // A file Capture One could not run holds Import back until "Import anyway".
    EXPECT_TRUE(column(shown, 3).first().contains(QString(empty).replace(u'\n', u' ') + u" is empty"_s));
    EXPECT_FALSE(shown->importButton()->isEnabled());
    shown->replaceBox()->click();
    planned(shown);
    EXPECT_EQ(column(shown, 0), QStringList({u"Set"_s, u"Clear"_s}));
    // The file a row sets, or for a Clear the one it takes away.
    EXPECT_TRUE(column(shown, 2).last().endsWith(u"Kept.scpt"_s))
        << column(shown, 2).join(u'|').toStdString();
    shown->importAnywayBox()->click();
    EXPECT_TRUE(shown->importButton()->isEnabled());

    GetParam().dismiss(shown);
    EXPECT_TRUE(QTest::qWaitFor([] { return apptest::visibleTopLevels<ImportPreview>().isEmpty(); }));
    EXPECT_EQ(bytes(23), before);
    EXPECT_FALSE(app->content()->undoHistory()->undoAction()->isEnabled());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ways, Dismissed, ::testing::Values(
    Dismissal{"CancelButton", [](ImportPreview* preview) {
        preview->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); }},
    Dismissal{"Escape", [](ImportPreview* preview) { QTest::keyClick(preview, Qt::Key_Escape); }}),
    [](const ::testing::TestParamInfo<Dismissal>& way) { return std::string(way.param.name); });
// clang-format on

struct WriteFault {
    const char* name;
    void (*meanwhile)(testsupport::MemoryDefaults& domain); // to copy 23's, between showing and Import
    QStringList words;                                      // of the message
};

class WriteFaults : public Transfer, public ::testing::WithParamInterface<WriteFault> {};

TEST_P(WriteFaults, AreShownWithTheReasonWriteNothingAndTheImportCanBeTriedAgain) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.change([&](auto& platform) { platform.preferences = memory; });
    memory->domain(world.identifier(22))->m_values.insert(kBatchKey, world.scriptFile(u"Mine.scpt"_s));
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
    ImportPreview* shown = onlyPreview();
    ASSERT_NE(shown, nullptr);
    GetParam().meanwhile(newer);
    const QVariant before = newer.m_values.value(kBatchKey);

    shown->importButton()->click();
    const QString message = apptest::takeMessage();
    for (const QString& word : GetParam().words) {
        EXPECT_TRUE(message.contains(word)) << word.toStdString();
    }
    // Nothing stored, another writer's change kept, no step taken; the preview stays to try again.
    EXPECT_TRUE(AssignmentCommand::same(newer.m_values.value(kBatchKey), before));
    EXPECT_FALSE(app->content()->undoHistory()->undoAction()->isEnabled());
    ASSERT_TRUE(shown->isVisible());
    planned(shown);
    newer.m_failWrites = false;
    shown->importButton()->click();
    EXPECT_TRUE(apptest::visibleTopLevels<QMessageBox>().isEmpty());
    EXPECT_EQ(app->undoText(), u"Undo Copy Assignments in Capture One 23"_s);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, WriteFaults, ::testing::Values(
    WriteFault{"WriteFails", [](testsupport::MemoryDefaults& domain) { domain.m_failWrites = true; },
               {u"Nothing was imported into Capture One 23"_s, u"cannot be written (test)"_s}},
    WriteFault{"ChangedMeanwhile", [](testsupport::MemoryDefaults& domain) { domain.m_values.insert(kBatchKey, u"/T.scpt"_s); },
               {u"Nothing was imported into Capture One 23"_s, u"endOfBatchScript"_s, u"another program"_s}}),
    [](const ::testing::TestParamInfo<WriteFault>& fault) { return std::string(fault.param.name); });
// clang-format on

TEST_F(Transfer, AProfileThatCannotBeReadIsRefusedWithItsReasonAndNothingWritten) {
    launch();
    const QByteArray before = bytes(23);
    const QString file = world.temp().write(u"broken.json"_s, QByteArrayLiteral("{\"format\": "));
    EXPECT_EQ(transfer()->previewImport(file, app->copy(23)), nullptr);
    EXPECT_TRUE(apptest::takeMessage().contains(u"broken.json"_s));
    EXPECT_EQ(bytes(23), before);
}

// The exact values and another writer's change are the steps' own (Step, below).
class WindowUndo : public Transfer {
protected:
    ScriptView* songRow() const { return app->row(2); }
    QString redoText() const { return app->content()->undoHistory()->redoAction()->iconText(); }
    void press(QKeyCombination keys) const {
        QTest::keyClick(app->window(), keys.key(), keys.keyboardModifiers());
    }
    QVariant stored() const { return Transfer::stored(23).value(keyOf(kFourScripts[2].first)); }
};

TEST_F(WindowUndo, CtrlZAndCtrlShiftZPutBackTheExactValueAndTheRowFollowsAtOnce) {
    const QString key = keyOf(kFourScripts[2].first);
    ASSERT_TRUE(world.writeExternally(world.identifier(23), key, testsupport::ArchivedURL().bytes()));
    const QByteArray before = bytes(23);
    launch();
    songRow()->clear();
    EXPECT_EQ(app->undoText(), u"Undo Remove Rock & Roll Done"_s);
    press(Qt::CTRL | Qt::Key_Z);
    // The row follows at once, not at the domain's notice; the archived URL is back byte for byte.
    EXPECT_EQ(songRow()->chooseButton()->text(), u"My Script ü.scpt"_s);
    EXPECT_EQ(bytes(23), before);
    EXPECT_EQ(redoText(), u"Redo Remove Rock & Roll Done"_s);
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    EXPECT_EQ(songRow()->chooseButton()->text(), ScriptView::chooseText());

    // The same file chosen twice is one step.
    apptest::choose(songRow(), world.scriptFile(u"Mine.scpt"_s));
    apptest::choose(songRow(), world.scriptFile(u"Mine.scpt"_s));
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

    // Another program's file assigned before the undo stays, and only that step goes, with a notice.
    ASSERT_TRUE(world.writeExternally(world.identifier(23), key, world.scriptFile(u"T.scpt"_s)));
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(songRow()->chooseButton()->text(), u"T.scpt"_s);
    EXPECT_TRUE(apptest::takeMessage().contains(u"was not undone"_s));
    EXPECT_EQ(app->undoText(), u"Undo Remove Rock & Roll Done"_s);
    EXPECT_FALSE(app->content()->undoHistory()->redoAction()->isEnabled());
}

TEST_F(WindowUndo, AFailedUndoShowsItsReasonAndTheStepStaysToBeTriedAgain) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.change([&](auto& platform) { platform.preferences = memory; });
    launch();
    apptest::choose(songRow(), world.scriptFile(u"Mine.scpt"_s));
    testsupport::MemoryDefaults& domain = *memory->domain(world.identifier(23));
    domain.m_failWrites = true;
    press(Qt::CTRL | Qt::Key_Z);
    const QString message = apptest::takeMessage();
    EXPECT_TRUE(message.contains(world.identifier(23) + u" cannot be written (test)"_s));
    EXPECT_TRUE(message.contains(u"Assign Rock & Roll Done"_s));
    EXPECT_EQ(app->undoText(), u"Undo Assign Rock & Roll Done"_s);
    EXPECT_EQ(songRow()->chooseButton()->text(), u"Mine.scpt"_s);
    domain.m_failWrites = false;
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(domain.m_values.isEmpty());
    EXPECT_EQ(redoText(), u"Redo Assign Rock & Roll Done"_s);
}

// The history outlives the copy shown and names its copy while another is shown.
TEST_F(WindowUndo, AnUndoDuringTheDetailsReadIsShownWhenTheReadArrives) {
    launch();
    apptest::choose(songRow(), world.scriptFile(u"Mine.scpt"_s));
    app->select(22);
    EXPECT_EQ(app->undoText(), u"Undo Assign Rock & Roll Done in Capture One 23"_s);
    // The read away from the GUI thread is over, its result not yet delivered, when the undo comes.
    app->content()->setSelectedApp(app->copy(23));
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_TRUE(app->content()->applicationView()->rows().isEmpty());
    press(Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(stored().isValid());
    app->waitForRows();
    EXPECT_EQ(songRow()->chooseButton()->text(), ScriptView::chooseText());
    EXPECT_EQ(redoText(), u"Redo Assign Rock & Roll Done"_s);
}

// The steps alone, through the real preferences domain: the exact stored values of every kind come
// back, another writer's change is kept and told, and several keys change together.
const QString kMine = u"/Scripts/Mine.scpt"_s;
const QString kOld = u"/Scripts/Old.scpt"_s;
const QString kDomain = u"com.captureone.undo-test"_s;
const QString kTheirs = u"/Scripts/Theirs.scpt"_s;

QVariant archivedUrl() {
    return testsupport::ArchivedURL().bytes();
}

enum class Other { None, BeforeUndo, BeforeRedo };

struct StepRow {
    const char* name;
    QVariant initial; // stored before the user's action (invalid: nothing)
    QVariant action;  // what the action stores (invalid: it removes the key)
    Other other;      // when another writer stores `theirs`
    QVariant theirs;
    QVariant afterUndo; // what the domain holds after the undo
    QVariant afterRedo; // and after the redo, when the undo went through
    const char* notice; // words of the notice, separated by "|"
};

class Step : public ::testing::TestWithParam<StepRow> {
protected:
    void SetUp() override {
        domain = world.platform().preferences->open(kDomain);
        ASSERT_TRUE(domain->write(u"unrelated"_s, qint64(42)));
    }
    void set(const QVariant& value) const {
        ASSERT_TRUE(value.isValid() ? domain->write(kBatchKey, value) : domain->remove(kBatchKey));
    }
    QVariant stored() const { return domain->read(kBatchKey).value(); }
    // By kind and value: a text is not the bytes of its path, nor a number its digits.
    static void expectStored(const QVariant& actual, const QVariant& expected) {
        EXPECT_TRUE(AssignmentCommand::same(actual, expected)) << actual.toString().toStdString();
    }
    void expectRestOfDomainKept() const {
        EXPECT_EQ(domain->read(u"unrelated"_s).value(), QVariant(qint64(42)));
    }

    AppWorld world;
    std::shared_ptr<brisquel::vexo::UserDefaults> domain;
};

TEST_P(Step, UndoAndRedo) {
    const StepRow& row = GetParam();
    set(row.initial);
    set(row.action);
    AssignmentCommand step(domain, kDomain, u"Capture One 23"_s, QString(),
                           {{kBatchKey, u"Batch Done"_s, row.initial, stored()}});
    step.setText(AssignmentCommand::textFor(step.changes().first()));
    EXPECT_EQ(step.text(), row.action.isValid() ? u"Assign Batch Done"_s : u"Remove Batch Done"_s);

    if (row.other == Other::BeforeUndo) {
        set(row.theirs);
    }
    const Outcome undone = step.apply(Side::Before);
    expectStored(stored(), row.afterUndo);
    expectRestOfDomainKept();
    if (row.other == Other::BeforeRedo) {
        ASSERT_EQ(undone, Outcome::Done);
        set(row.theirs);
    }
    const QStringList notice = QString::fromUtf8(row.notice).split(u'|', Qt::SkipEmptyParts);
    const bool conflictOnUndo = row.other == Other::BeforeUndo && !notice.isEmpty();
    if (!conflictOnUndo) {
        ASSERT_EQ(undone, Outcome::Done);
        EXPECT_FALSE(step.isObsolete());
        const Outcome redone = step.apply(Side::After);
        expectStored(stored(), row.afterRedo);
        expectRestOfDomainKept();
        EXPECT_EQ(redone, notice.isEmpty() ? Outcome::Done : Outcome::Conflicted);
    } else {
        EXPECT_EQ(undone, Outcome::Conflicted);
    }
    if (notice.isEmpty()) {
        EXPECT_EQ(step.apply(Side::Before), Outcome::Done);
        expectStored(stored(), row.afterUndo);
        return;
    }
    EXPECT_TRUE(step.isObsolete());
    const QString text = step.conflictText(conflictOnUndo ? Side::Before : Side::After);
    for (const QString& word : notice) {
        EXPECT_TRUE(text.contains(word)) << word.toStdString() << " not in " << text.toStdString();
    }
}

// The words of a notice are separated by "|"; no words: no notice, the step goes through.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Step, ::testing::Values(
    StepRow{"AssignOverNothing", {}, kMine, Other::None, {}, {}, kMine, ""},
    StepRow{"RemoveArchivedUrl", archivedUrl(), {}, Other::None, {}, archivedUrl(), {}, ""},
    StepRow{"TheyReplacedIt", {}, kMine, Other::BeforeUndo, kTheirs, kTheirs, {},
            "not undone|Batch Done|Capture One 23|Theirs.scpt|undo history"},
    StepRow{"TheyRemovedIt", kOld, kMine, Other::BeforeUndo, {}, {}, {}, "no script file"},
    StepRow{"TheyArchivedAUrl", {}, kMine, Other::BeforeUndo, archivedUrl(), archivedUrl(), {}, "My Script ü.scpt"},
    StepRow{"TheyStoredANumber", {}, kMine, Other::BeforeUndo, qint64(7), qint64(7), {}, "names no file"},
    StepRow{"TheyRestoredItAlready", kOld, kMine, Other::BeforeUndo, kOld, kOld, kMine, ""},
    StepRow{"TheyAssignedBeforeRedo", {}, kMine, Other::BeforeRedo, kTheirs, {}, kTheirs, "not redone|Theirs.scpt"}),
    [](const ::testing::TestParamInfo<StepRow>& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(Step, AStepOfSeveralKeysIsWhollyAppliedOrNotAtAll) {
    set(kMine);
    ASSERT_TRUE(domain->write(kCaptureKey, kMine));
    // Two scripts set by one action (an import); the capture script held archived data before.
    const auto importStep = [&] {
        return std::make_unique<AssignmentCommand>(
            domain, kDomain, u"Capture One 23"_s, u"Import Assignments"_s,
            QList<AssignmentCommand::Change>{{kBatchKey, u"Batch Done"_s, kOld, kMine},
                                             {kCaptureKey, u"Capture Done"_s, archivedUrl(), kMine}});
    };
    // One of them changed meanwhile: neither is undone, and the notice names only that one.
    ASSERT_TRUE(domain->write(kCaptureKey, kTheirs));
    const auto step = importStep();
    EXPECT_EQ(step->apply(Side::Before), Outcome::Conflicted);
    expectStored(stored(), kMine);
    ASSERT_EQ(step->conflicts().size(), 1);
    EXPECT_EQ(step->conflicts().first().title, u"Capture Done"_s);

    ASSERT_TRUE(domain->write(kCaptureKey, kMine));
    const auto again = importStep();
    EXPECT_EQ(again->apply(Side::Before), Outcome::Done);
    expectStored(stored(), kOld);
    expectStored(domain->read(kCaptureKey).value(), archivedUrl());
    expectRestOfDomainKept();
}

} // namespace
