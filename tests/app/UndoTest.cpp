// Undo steps of script assignments through the real preferences domain: the exact stored values of
// every kind come back, another writer's change is kept and told, and several keys change together.

#include "tests/app/AppWorld.h"
#include "tests/support/ArchivedURL.h"

#include "app/AssignmentCommand.h"

#include <gtest/gtest.h>

using namespace quillmere;
using namespace Qt::StringLiterals;
using apptest::AppWorld;
using Side = AssignmentCommand::Side;
using Outcome = AssignmentCommand::Outcome;

namespace {

const QString kBatchKey = u"endOfBatchScript"_s;
const QString kCaptureKey = u"endOfCaptureScript"_s;
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

void PrintTo(const StepRow& row, std::ostream* os) {
    *os << row.name;
}

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

    // Put back, both are undone in one write, and redone.
    ASSERT_TRUE(domain->write(kCaptureKey, kMine));
    const auto again = importStep();
    EXPECT_EQ(again->apply(Side::Before), Outcome::Done);
    expectStored(stored(), kOld);
    expectStored(domain->read(kCaptureKey).value(), archivedUrl());
    expectRestOfDomainKept();
}

} // namespace
