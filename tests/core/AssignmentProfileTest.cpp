#include "core/AssignmentProfile.h"
#include "core/ImportPlan.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::AssignmentProfile;
using brisquel::BackgroundScript;
using brisquel::ImportPlan;
using brisquel::vexo::Status;

namespace {

const QString kHome = u"/home/studio"_s;

// A profile written by format version 1 reads the same in every later version; written again from
// another home, a path outside it stays absolute and the other is "~/".
TEST(AssignmentProfileReading, AVersionOneProfileKeptInTheTests) {
    const brisquel::vexo::Expected<AssignmentProfile> profile = AssignmentProfile::readFile(
        QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/core/data/assignment-profile-v1.json"), kHome);
    ASSERT_TRUE(profile) << profile.result().message().toStdString();
    const auto& [name, identifier, version] = profile->source;
    EXPECT_EQ(QStringList({name, identifier, version}),
              QStringList({u"Capture One 23"_s, u"com.captureone.captureone16"_s, u"16.2.1"_s}));
    ASSERT_EQ(profile->scripts.size(), 2);
    EXPECT_EQ(profile->scripts[0].key + profile->scripts[0].title, u"endOfCaptureScriptCapture Done"_s);
    EXPECT_EQ(profile->scripts[0].path, kHome + u"/Library/Scripts/Capture One/capture done.scpt"_s);
    EXPECT_EQ(profile->scripts[1].path, u"/Library/Studio Scripts/batch.scptd"_s);
    const QByteArray again = profile->toJson(kHome);
    EXPECT_TRUE(again.contains("\"~/Library/Scripts/Capture One/capture done.scpt\""));
    EXPECT_EQ(AssignmentProfile::fromJson(again, u"again"_s, kHome)->scripts[1].path,
              profile->scripts[1].path);
}

struct RefusalRow {
    const char* name;
    QByteArray document;
    Status status;
    const char* words;
};

void PrintTo(const RefusalRow& row, std::ostream* out) {
    *out << row.name;
}

class AssignmentProfileRefusals : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(AssignmentProfileRefusals, NameTheReason) {
    const RefusalRow& row = GetParam();
    const brisquel::vexo::Expected<AssignmentProfile> profile =
        AssignmentProfile::fromJson(row.document, u"studio.json"_s, kHome);
    ASSERT_FALSE(profile);
    EXPECT_EQ(profile.result().status(), row.status);
    EXPECT_TRUE(profile.result().message().startsWith(u"studio.json "_s));
    EXPECT_TRUE(profile.result().message().contains(QString::fromUtf8(row.words)))
        << profile.result().message().toStdString();
}

QByteArray document(const QByteArray& version, const QByteArray& scripts,
                    const QByteArray& source = R"({"name": "C", "bundleIdentifier": "c", "version": "1"})") {
    return R"({"format": "quillmere-assignments", "formatVersion": )" + version + R"(, "source": )" + source +
           R"(, "scripts": )" + scripts + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AssignmentProfileRefusals,
    ::testing::Values(
        RefusalRow{"Malformed", "{\"format\": ", Status::Malformed, "malformed"},
        RefusalRow{"NotAnObject", "[]", Status::Malformed, "not a JSON object"},
        RefusalRow{"OtherFormat", R"({"format": "x", "formatVersion": 1})", Status::Malformed, "\"format\""},
        RefusalRow{"UnknownVersion", document("2", "[]"), Status::Refused, "format version 2"},
        RefusalRow{"VersionAsText", document("\"1\"", "[]"), Status::Malformed, "formatVersion"},
        RefusalRow{"VersionFraction", document("1.5", "[]"), Status::Malformed, "formatVersion"},
        RefusalRow{"SourceNotObject", document("1", "[]", "7"), Status::Malformed, "\"source\""},
        RefusalRow{"VersionNotText",
                   document("1", "[]", R"({"name": "C", "bundleIdentifier": "c", "version": 1})"),
                   Status::Malformed, "\"version\" is not a text"},
        RefusalRow{"ScriptsNotList", document("1", "{}"), Status::Malformed, "\"scripts\""},
        RefusalRow{"ScriptNotObject", document("1", "[1]"), Status::Malformed, "script 1 is not an object"},
        RefusalRow{"KeyNotText", document("1", R"([{"key": 1, "title": "t", "path": "/a"}])"),
                   Status::Malformed, "\"key\" is not a text"},
        RefusalRow{"RelativePath", document("1", R"([{"key": "k", "title": "t", "path": "a.scpt"}])"),
                   Status::Malformed, "neither absolute"},
        RefusalRow{"OtherUsersHome", document("1", R"([{"key": "k", "title": "t", "path": "~bob/a.scpt"}])"),
                   Status::Malformed, "neither absolute"},
        RefusalRow{
            "KeyTwice",
            document(
                "1",
                R"([{"key": "k", "title": "t", "path": "/a"}, {"key": "k", "title": "t", "path": "/b"}])"),
            Status::Malformed, "listed twice"},
        RefusalRow{"Huge", document("1", "[]") + QByteArray(AssignmentProfile::kLongestDocument + 1, ' '),
                   Status::TooLarge, "larger than"},
        RefusalRow{"Deep", QByteArray(100000, '[') + QByteArray(100000, ']'), Status::TooLarge,
                   "nests deeper"}),
    [](const ::testing::TestParamInfo<RefusalRow>& row) { return std::string(row.param.name); });

// Space-separated "key=value" words: what the target's domain holds before ("good": a script),
// what the profile lists ("good" or "missing" file), and the plan's "key=action" rows in order.
// "meanwhile": another program stores a script between the plan and its writing, which then
// writes nothing.
struct PlanRow {
    const char* name;
    const char* stored;
    const char* listed;
    const char* options; // "replace", "force", "meanwhile" or ""
    const char* actions;
    const char* refusal = nullptr;
};
void PrintTo(const PlanRow& row, std::ostream* out) {
    *out << row.name;
}
QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}
class ImportPlans : public ::testing::TestWithParam<PlanRow> {};

TEST_P(ImportPlans, ChangeWhatTheProfileSays) {
    const PlanRow& row = GetParam();
    const testsupport::TempFolder files;
    const QString good = files.write(u"good.scpt"_s, QByteArrayLiteral("FasdUAS 1.101.10"));
    const QString gone = files.filePath(u"gone.scpt"_s);
    testsupport::FakePlatform fakes;
    const auto domain = fakes.preferences->domain(u"com.example.target"_s);
    for (const QString& stored : words(row.stored))
        domain->m_values.insert(stored.section(u'=', 0, 0),
                                stored.section(u'=', 1) == u"good"_s ? good : stored.section(u'=', 1));
    domain->m_values.insert(u"unrelated"_s, 42);
    AssignmentProfile profile;
    for (const QString& listed : words(row.listed))
        profile.scripts.append(
            {listed.section(u'=', 0, 0), u"T"_s, listed.section(u'=', 1) == u"missing"_s ? gone : good});
    QHash<QString, QVariant> expected = domain->m_values;
    const QString options = QString::fromUtf8(row.options);
    const QList<BackgroundScript> scripts{
        {u"capture done script"_s, {}, domain->domain(), domain, fakes.platform()},
        {u"batch done script"_s, {}, domain->domain(), domain, fakes.platform()}};
    const brisquel::vexo::Expected<ImportPlan> plan =
        ImportPlan::make(profile, scripts, {options == u"replace"_s, options == u"force"_s});
    if (row.refusal) {
        ASSERT_FALSE(plan);
        EXPECT_TRUE(plan.result().message().contains(QString::fromUtf8(row.refusal)))
            << plan.result().message().toStdString();
        EXPECT_TRUE(plan.result().message().contains(gone));
        EXPECT_EQ(domain->m_values, expected);
        return;
    }
    ASSERT_TRUE(plan) << plan.result().message().toStdString();
    QStringList actions;
    for (const ImportPlan::Row& change : plan->rows()) {
        actions.append(change.key + u'=' + ImportPlan::wordFor(change.action));
        if (change.action == ImportPlan::Action::Set && options != u"meanwhile"_s)
            expected.insert(change.key, change.path);
        if (change.action == ImportPlan::Action::Clear)
            expected.remove(change.key);
    }
    EXPECT_EQ(actions, words(row.actions));
    if (options == u"meanwhile"_s) {
        domain->m_values.insert(u"endOfBatchScript"_s, u"/theirs.scpt"_s);
        expected.insert(u"endOfBatchScript"_s, u"/theirs.scpt"_s);
    }
    const int writes = domain->m_writes;
    EXPECT_EQ(plan->apply().status(), options == u"meanwhile"_s ? Status::Changed : Status::Ok);
    EXPECT_EQ(domain->m_writes, writes + (plan->changesAnything() && options != u"meanwhile"_s ? 1 : 0));
    EXPECT_EQ(domain->m_values, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImportPlans,
    ::testing::Values(PlanRow{"SetsListed", "", "endOfCaptureScript=good", "", "endOfCaptureScript=set"},
                      PlanRow{"SameIsUnchanged", "endOfCaptureScript=good", "endOfCaptureScript=good", "",
                              "endOfCaptureScript=unchanged"},
                      PlanRow{"UnlistedStays", "endOfBatchScript=/old.scpt", "", "", ""},
                      PlanRow{"ReplaceClears", "endOfBatchScript=/old.scpt", "endOfCaptureScript=good",
                              "replace", "endOfCaptureScript=set endOfBatchScript=clear"},
                      PlanRow{"NotOfferedIsSkipped", "", "endOfImportScript=good endOfBatchScript=good", "",
                              "endOfImportScript=skipped endOfBatchScript=set"},
                      PlanRow{"FailingFileRefuses", "", "endOfCaptureScript=good endOfBatchScript=missing",
                              "", "", "does not exist"},
                      PlanRow{"ForceSetsIt", "", "endOfBatchScript=missing", "force", "endOfBatchScript=set"},
                      PlanRow{"ChangedMeanwhile", "", "endOfCaptureScript=good endOfBatchScript=good",
                              "meanwhile", "endOfCaptureScript=set endOfBatchScript=set"}),
    [](const ::testing::TestParamInfo<PlanRow>& row) { return std::string(row.param.name); });

} // namespace
