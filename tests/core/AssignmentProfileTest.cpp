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
QByteArray script(const QByteArray& key, const QByteArray& path) {
    return R"({"key": )" + key + R"(, "title": "t", "path": )" + path + "}";
}

const RefusalRow kRefusals[]{
    {"Malformed", "{\"format\": ", Status::Malformed, "malformed"},
    {"NotAnObject", "[]", Status::Malformed, "not a JSON object"},
    {"OtherFormat", R"({"format": "x", "formatVersion": 1})", Status::Malformed, "\"format\""},
    {"UnknownVersion", document("2", "[]"), Status::Refused, "format version 2"},
    {"VersionAsText", document("\"1\"", "[]"), Status::Malformed, "formatVersion"},
    {"VersionFraction", document("1.5", "[]"), Status::Malformed, "formatVersion"},
    {"SourceNotObject", document("1", "[]", "7"), Status::Malformed, "\"source\""},
    {"VersionNotText", document("1", "[]", R"({"name": "C", "bundleIdentifier": "c", "version": 1})"),
     Status::Malformed, "\"version\" is not a text"},
    {"ScriptsNotList", document("1", "{}"), Status::Malformed, "\"scripts\""},
    {"ScriptNotObject", document("1", "[1]"), Status::Malformed, "script 1 is not an object"},
    {"KeyNotText", document("1", "[" + script("1", "\"/a\"") + "]"), Status::Malformed,
     "\"key\" is not a text"},
    {"RelativePath", document("1", "[" + script("\"k\"", "\"a.scpt\"") + "]"), Status::Malformed,
     "neither absolute"},
    {"OtherUsersHome", document("1", "[" + script("\"k\"", "\"~bob/a.scpt\"") + "]"), Status::Malformed,
     "neither absolute"},
    {"KeyTwice", document("1", "[" + script("\"k\"", "\"/a\"") + "," + script("\"k\"", "\"/b\"") + "]"),
     Status::Malformed, "listed twice"},
    {"Huge", document("1", "[]") + QByteArray(AssignmentProfile::kLongestDocument + 1, ' '), Status::TooLarge,
     "larger than"},
    {"Deep", QByteArray(100000, '[') + QByteArray(100000, ']'), Status::TooLarge, "nests deeper"}};
INSTANTIATE_TEST_SUITE_P(Rows, AssignmentProfileRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& row) { return std::string(row.param.name); });

// Space-separated "key=value" words: what the target's domain holds before and after ("good": the
// script, "missing": a file that is not there), what the profile lists, and the plan's "key=action"
// rows in order, or the words of its refusal. "meanwhile": another program stores a script between
// the plan and its writing, which then writes nothing.
struct PlanRow {
    const char* name;
    const char* stored;
    const char* listed;
    const char* options; // "replace", "force", "meanwhile" or ""
    const char* actions;
    const char* after;
};
QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}
class ImportPlans : public ::testing::TestWithParam<PlanRow> {};

TEST_P(ImportPlans, ChangeWhatTheProfileSays) {
    const PlanRow& row = GetParam();
    const testsupport::TempFolder files;
    const QHash<QString, QString> paths{{u"good"_s, files.write(u"good.scpt"_s, "FasdUAS 1.101.10")},
                                        {u"missing"_s, files.filePath(u"gone.scpt"_s)}};
    testsupport::FakePlatform fakes;
    const auto domain = fakes.preferences->domain(u"com.example.target"_s);
    for (const QString& stored : words(row.stored))
        domain->m_values.insert(stored.section(u'=', 0, 0),
                                paths.value(stored.section(u'=', 1), u"/old.scpt"_s));
    AssignmentProfile profile;
    for (const QString& listed : words(row.listed))
        profile.scripts.append({listed.section(u'=', 0, 0), u"T"_s, paths.value(listed.section(u'=', 1))});
    const QString options = QString::fromUtf8(row.options);
    const QList<BackgroundScript> scripts{
        {u"capture done script"_s, {}, domain->domain(), domain, fakes.platform()},
        {u"batch done script"_s, {}, domain->domain(), domain, fakes.platform()}};
    const brisquel::vexo::Expected<ImportPlan> plan =
        ImportPlan::make(profile, scripts, {options == u"replace"_s, options == u"force"_s});
    if (!plan) {
        EXPECT_TRUE(plan.result().message().contains(QString::fromUtf8(row.actions)) &&
                    plan.result().message().contains(paths[u"missing"_s]))
            << plan.result().message().toStdString();
    } else {
        QStringList actions;
        for (const ImportPlan::Row& change : plan->rows())
            actions.append(change.key + u'=' + ImportPlan::wordFor(change.action));
        EXPECT_EQ(actions, words(row.actions));
        if (options == u"meanwhile"_s)
            domain->m_values.insert(u"endOfBatchScript"_s, u"/theirs.scpt"_s);
        EXPECT_EQ(plan->apply().status(), options == u"meanwhile"_s ? Status::Changed : Status::Ok);
        EXPECT_EQ(domain->m_writes, plan->changesAnything() && options != u"meanwhile"_s ? 1 : 0);
    }
    QStringList after;
    for (auto it = domain->m_values.cbegin(); it != domain->m_values.cend(); ++it)
        after << it.key() + u'=' + paths.key(it->toString(), it->toString());
    after.sort();
    EXPECT_EQ(after, words(row.after));
}

const PlanRow kPlans[]{
    {"SameIsUnchanged", "endOfCaptureScript=good", "endOfCaptureScript=good", "",
     "endOfCaptureScript=unchanged", "endOfCaptureScript=good"},
    {"UnlistedStays", "endOfBatchScript=old", "", "", "", "endOfBatchScript=/old.scpt"},
    {"ReplaceClears", "endOfBatchScript=old", "endOfCaptureScript=good", "replace",
     "endOfCaptureScript=set endOfBatchScript=clear", "endOfCaptureScript=good"},
    {"NotOfferedIsSkipped", "", "endOfImportScript=good endOfBatchScript=good", "",
     "endOfImportScript=skipped endOfBatchScript=set", "endOfBatchScript=good"},
    {"FailingFileRefuses", "", "endOfCaptureScript=good endOfBatchScript=missing", "", "does not exist", ""},
    {"ForceSetsIt", "", "endOfBatchScript=missing", "force", "endOfBatchScript=set",
     "endOfBatchScript=missing"},
    {"ChangedMeanwhile", "", "endOfCaptureScript=good endOfBatchScript=good", "meanwhile",
     "endOfCaptureScript=set endOfBatchScript=set", "endOfBatchScript=/theirs.scpt"}};
INSTANTIATE_TEST_SUITE_P(Rows, ImportPlans, ::testing::ValuesIn(kPlans),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
