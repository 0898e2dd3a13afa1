// Undo and redo of script assignments: a step puts back the exact stored values through the real
// preferences domain, keeps a change made meanwhile by another writer and says so; in the window,
// Edit › Undo and Redo name the step, the rows follow at once, a failed write is shown with its
// reason, and the history outlives the copy shown.

#include "tests/app/AppWorld.h"
#include "tests/support/ArchivedURL.h"

#include "app/AppDelegate.h"
#include "app/ApplicationView.h"
#include "app/AssignmentCommand.h"
#include "app/ChooseButton.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"
#include "app/ScriptView.h"
#include "app/UndoHistory.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace quillmere;
using namespace Qt::StringLiterals;
using apptest::AppWorld;
using Side = AssignmentCommand::Side;
using Outcome = AssignmentCommand::Outcome;

namespace {

const QString kBatchKey = QStringLiteral("endOfBatchScript");
const QString kCaptureKey = QStringLiteral("endOfCaptureScript");
const QString kMine = QStringLiteral("/Scripts/Mine.scpt");
const QString kOld = QStringLiteral("/Scripts/Old.scpt");
const QString kTheirs = QStringLiteral("/Scripts/Theirs.scpt");

QVariant archivedUrl() {
    return testsupport::ArchivedURL().bytes();
}

// ---- one step, through the real domain ----

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

void PrintTo(const StepRow& row, std::ostream* os) {
    *os << row.name;
}

class Step : public ::testing::TestWithParam<StepRow> {
protected:
    void SetUp() override {
        domain = world.platform().preferences->open(QStringLiteral("com.captureone.undo-test"));
        // Nothing of the rest of the domain is ever touched.
        ASSERT_TRUE(domain->write(QStringLiteral("unrelated"), qint64(42)));
    }
    void set(const QVariant& value) const {
        ASSERT_TRUE(value.isValid() ? domain->write(kBatchKey, value) : domain->remove(kBatchKey));
    }
    QVariant stored() const { return domain->read(kBatchKey).value(); }
    // Compared by kind and value: a text is not the bytes of its path, nor a number its digits.
    static void expectStored(const QVariant& actual, const QVariant& expected) {
        EXPECT_TRUE(AssignmentCommand::same(actual, expected))
            << actual.typeName() << " " << actual.toString().toStdString() << " instead of "
            << expected.typeName() << " " << expected.toString().toStdString();
    }
    void expectRestOfDomainKept() const {
        EXPECT_EQ(domain->read(QStringLiteral("unrelated")).value(), QVariant(qint64(42)));
    }

    AppWorld world;
    std::shared_ptr<brisquel::vexo::UserDefaults> domain;
};

TEST_P(Step, UndoAndRedo) {
    const StepRow& row = GetParam();
    set(row.initial);
    set(row.action);
    AssignmentCommand step(domain, QStringLiteral("com.captureone.undo-test"),
                           QStringLiteral("Capture One 23"), QString(),
                           {{kBatchKey, QStringLiteral("Batch Done"), row.initial, stored()}});
    step.setText(AssignmentCommand::textFor(step.changes().first()));
    EXPECT_EQ(step.text(), row.action.isValid() ? QStringLiteral("Assign Batch Done")
                                                : QStringLiteral("Remove Batch Done"));

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
        EXPECT_TRUE(step.conflicts().isEmpty());
        const Outcome redone = step.apply(Side::After);
        expectStored(stored(), row.afterRedo);
        expectRestOfDomainKept();
        EXPECT_EQ(redone, notice.isEmpty() ? Outcome::Done : Outcome::Conflicted);
    } else {
        EXPECT_EQ(undone, Outcome::Conflicted);
    }
    if (notice.isEmpty()) {
        // Undone and redone again, as often as the user likes.
        EXPECT_EQ(step.apply(Side::Before), Outcome::Done);
        expectStored(stored(), row.afterUndo);
        return;
    }
    // The other writer's value stays, the step is dropped, and the notice says what is stored.
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
    StepRow{"AssignOverText", kOld, kMine, Other::None, {}, kOld, kMine, ""},
    StepRow{"AssignOverArchivedUrl", archivedUrl(), kMine, Other::None, {}, archivedUrl(), kMine, ""},
    StepRow{"RemoveArchivedUrl", archivedUrl(), {}, Other::None, {}, archivedUrl(), {}, ""},
    StepRow{"RemoveNumber", qint64(7), {}, Other::None, {}, qint64(7), {}, ""},
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
    AssignmentCommand step(domain, QStringLiteral("com.captureone.undo-test"),
                           QStringLiteral("Capture One 23"), QStringLiteral("Import Assignments"),
                           {{kBatchKey, QStringLiteral("Batch Done"), kOld, kMine},
                            {kCaptureKey, QStringLiteral("Capture Done"), archivedUrl(), kMine}});

    // One of them changed meanwhile: neither is undone, and the notice names only that one.
    ASSERT_TRUE(domain->write(kCaptureKey, kTheirs));
    EXPECT_EQ(step.apply(Side::Before), Outcome::Conflicted);
    expectStored(stored(), kMine);
    expectStored(domain->read(kCaptureKey).value(), kTheirs);
    ASSERT_EQ(step.conflicts().size(), 1);
    EXPECT_EQ(step.conflicts().first().title, QStringLiteral("Capture Done"));

    // Put back, both are undone, in one write; a value with no stored form fails that write, and
    // neither key changes.
    ASSERT_TRUE(domain->write(kCaptureKey, kMine));
    AssignmentCommand again(domain, QStringLiteral("com.captureone.undo-test"),
                            QStringLiteral("Capture One 23"), QStringLiteral("Import Assignments"),
                            step.changes());
    EXPECT_EQ(again.apply(Side::Before), Outcome::Done);
    expectStored(stored(), kOld);
    expectStored(domain->read(kCaptureKey).value(), archivedUrl());
    EXPECT_EQ(again.apply(Side::After), Outcome::Done);

    AssignmentCommand failing(domain, QStringLiteral("com.captureone.undo-test"),
                              QStringLiteral("Capture One 23"), QStringLiteral("Import Assignments"),
                              {{kBatchKey, QStringLiteral("Batch Done"), kOld, kMine},
                               {kCaptureKey, QStringLiteral("Capture Done"), QString(QChar(0)), kMine}});
    EXPECT_EQ(failing.apply(Side::Before), Outcome::Failed);
    EXPECT_FALSE(failing.failure().message().isEmpty());
    EXPECT_FALSE(failing.isObsolete());
    expectStored(stored(), kMine);
    expectStored(domain->read(kCaptureKey).value(), kMine);
    expectRestOfDomainKept();
}

// ---- in the window ----

// Semaphores shared by the domains of HeldPreferences.
struct Hold {
    QSemaphore gate{1};
    QSemaphore read;
};

// A domain whose readings away from the GUI thread (the detail view's listing) read at once and
// are then held back until the test lets them go; everything else passes straight to the real
// domain.
class HeldDefaults final : public brisquel::vexo::UserDefaults {
public:
    HeldDefaults(std::shared_ptr<brisquel::vexo::UserDefaults> real, Hold& hold)
        : m_real(std::move(real)), m_hold(hold) {}
    QString domain() const override { return m_real->domain(); }
    brisquel::vexo::Expected<QVariant> read(const QString& key) const override { return m_real->read(key); }
    brisquel::vexo::Expected<QVariantList> readValues(const QStringList& keys) const override {
        brisquel::vexo::Expected<QVariantList> values = m_real->readValues(keys);
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            m_hold.read.release();
            m_hold.gate.acquire();
            m_hold.gate.release();
        }
        return values;
    }
    brisquel::vexo::Result write(const QString& key, const QVariant& value) override {
        return m_real->write(key, value);
    }
    brisquel::vexo::Result remove(const QString& key) override { return m_real->remove(key); }
    brisquel::vexo::Result writeValues(const QList<KeyChange>& changes) override {
        return m_real->writeValues(changes);
    }
    std::unique_ptr<brisquel::vexo::ChangeObservation>
    observeChanges(std::function<void()> onChange) override {
        return m_real->observeChanges(std::move(onChange));
    }

private:
    std::shared_ptr<brisquel::vexo::UserDefaults> m_real;
    Hold& m_hold;
};

class HeldPreferences final : public brisquel::vexo::PreferencesDomains {
public:
    explicit HeldPreferences(std::shared_ptr<brisquel::vexo::PreferencesDomains> real)
        : m_real(std::move(real)) {}
    std::shared_ptr<brisquel::vexo::UserDefaults> open(const QString& domain) override {
        return std::make_shared<HeldDefaults>(m_real->open(domain), hold);
    }
    Hold hold;

private:
    std::shared_ptr<brisquel::vexo::PreferencesDomains> m_real;
};

class WindowUndo : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(22);
        world.addCopy(23);
        domain = world.identifier(23);
    }
    void TearDown() override { app.reset(); }

    // With no copy running, the last one (23) is shown.
    void launch() { app = std::make_unique<apptest::AppWindow>(world); }
    ScriptView* batchRow() const { return app->row(1); }
    QAction* undo() const { return app->content()->undoHistory()->undoAction(); }
    QAction* redo() const { return app->content()->undoHistory()->redoAction(); }
    void press(QKeyCombination keys) const {
        QTest::keyClick(app->window(), keys.key(), keys.keyboardModifiers());
    }
    QVariant stored(const QString& key = kBatchKey) const {
        return world.domainContents(domain).value_or(QVariantMap()).value(key);
    }
    // An action's text as its menu item reads (the keyboard's mnemonic marks taken out).
    static QString shown(const QAction* action) { return action->iconText(); }
    static QMessageBox* messageBox() {
        const QList<QMessageBox*> boxes = apptest::visibleTopLevels<QMessageBox>();
        return boxes.size() == 1 ? boxes.first() : nullptr;
    }

    AppWorld world;
    QString domain;
    std::unique_ptr<apptest::AppWindow> app;
};

struct WindowRow {
    const char* name;
    QVariant initial; // what the batch script holds at launch
    bool remove;      // the user removes the file, else chooses Mine.scpt
    bool otherWriter; // another program assigns Theirs.scpt before the undo
    QString undoText;
    QString buttonAfterUndo; // the row's button, at once after the undo
    QStringList notice;      // words of the notice; empty: none
};

void PrintTo(const WindowRow& row, std::ostream* os) {
    *os << row.name;
}

class WindowSteps : public WindowUndo, public ::testing::WithParamInterface<WindowRow> {};

TEST_P(WindowSteps, ByKeyboard) {
    const WindowRow& row = GetParam();
    if (row.initial.isValid()) {
        ASSERT_TRUE(world.writeExternally(domain, kBatchKey, row.initial));
    }
    const QByteArray before = AppWorld::readBytes(world.domainFile(domain));
    launch();
    if (row.remove) {
        batchRow()->clear();
    } else {
        apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    }
    const QVariant after = stored();
    EXPECT_EQ(shown(undo()), row.undoText);
    EXPECT_TRUE(undo()->isEnabled());
    if (row.otherWriter) {
        ASSERT_TRUE(world.writeExternally(domain, kBatchKey, world.scriptFile(u"Theirs.scpt"_s)));
    }

    press(Qt::CTRL | Qt::Key_Z);
    // The row shows what is stored at once, not after the domain's own notice of the change.
    EXPECT_EQ(batchRow()->chooseButton()->text(), row.buttonAfterUndo);
    QMessageBox* box = messageBox();
    if (!row.notice.isEmpty()) {
        ASSERT_NE(box, nullptr);
        for (const QString& word : row.notice) {
            EXPECT_TRUE(box->text().contains(word))
                << word.toStdString() << " not in " << box->text().toStdString();
        }
        // The step is gone: nothing is left to undo, and the other program's file stays.
        box->close();
        EXPECT_EQ(shown(undo()), u"Undo"_s);
        EXPECT_FALSE(redo()->isEnabled());
        EXPECT_EQ(QFileInfo(stored().toString()).fileName(), u"Theirs.scpt"_s);
        return;
    }
    EXPECT_EQ(box, nullptr);
    // Exactly what was there, byte for byte, whatever its kind.
    if (row.initial.isValid()) {
        EXPECT_EQ(AppWorld::readBytes(world.domainFile(domain)), before);
    } else {
        EXPECT_FALSE(stored().isValid());
    }
    EXPECT_EQ(shown(redo()), QString(row.undoText).replace(u"Undo"_s, u"Redo"_s));
    EXPECT_FALSE(undo()->isEnabled());

    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_TRUE(AssignmentCommand::same(stored(), after));
    EXPECT_EQ(batchRow()->chooseButton()->text(), row.remove ? ScriptView::chooseText() : u"Mine.scpt"_s);
    EXPECT_EQ(shown(undo()), GetParam().undoText);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowSteps,
    ::testing::Values(
        WindowRow{"assign", {}, false, false, u"Undo Assign Batch Done"_s, ScriptView::chooseText(), {}},
        WindowRow{"removeArchivedUrl",
                  archivedUrl(),
                  true,
                  false,
                  u"Undo Remove Batch Done"_s,
                  u"My Script ü.scpt"_s,
                  {}},
        WindowRow{"assignThenAnotherProgram",
                  {},
                  false,
                  true,
                  u"Undo Assign Batch Done"_s,
                  u"Theirs.scpt"_s,
                  {u"Batch Done"_s, u"Theirs.scpt"_s, u"was not undone"_s}}),
    [](const ::testing::TestParamInfo<WindowRow>& row) { return std::string(row.param.name); });

TEST_F(WindowUndo, AFailedUndoShowsItsReasonAndTheStepStaysToBeTriedAgain) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.setPreferences(memory);
    launch();
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    memory->domain(domain)->m_failWrites = true;

    undo()->trigger();
    QMessageBox* box = messageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(domain + u" cannot be written (test)"_s)) << box->text().toStdString();
    EXPECT_TRUE(box->text().contains(u"Assign Batch Done"_s));
    box->close();
    EXPECT_EQ(shown(undo()), u"Undo Assign Batch Done"_s);
    EXPECT_EQ(batchRow()->chooseButton()->text(), u"Mine.scpt"_s);

    memory->domain(domain)->m_failWrites = false;
    undo()->trigger();
    EXPECT_EQ(messageBox(), nullptr);
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
    auto held = std::make_shared<HeldPreferences>(world.platform().preferences);
    world.setPreferences(held);
    launch();
    apptest::choose(batchRow(), world.scriptFile(u"Mine.scpt"_s));
    app->select(22);
    // The copy's scripts are read away from the GUI thread; the undo happens after that read has
    // read the domain and before its result arrives.
    // (The reads of the earlier listings are over and forgotten.)
    held->hold.read.tryAcquire(held->hold.read.available());
    held->hold.gate.acquire();
    app->content()->setSelectedApp(app->copy(23));
    EXPECT_TRUE(held->hold.read.tryAcquire(1, 5000));
    undo()->trigger();
    EXPECT_FALSE(stored().isValid());
    held->hold.gate.release();
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
