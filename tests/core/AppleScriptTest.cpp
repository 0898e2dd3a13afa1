#include "core/AppFinder.h"
#include "core/BackgroundScript.h"
#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::BackgroundScript;
using brisquel::ScriptResult;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}
const QString kTell = u"tell application id \"com.captureone.captureone16\" to "_s;

class AppleScriptTest : public ::testing::Test {
protected:
    BackgroundScript make(const QString& name, const QString& bundle = u"com.captureone.captureone16"_s) {
        return BackgroundScript(name, s("Runs."), bundle, fakes.platform());
    }
    testsupport::FakePlatform fakes;
};

} // namespace

TEST_F(AppleScriptTest, AskingComposesTheTellStatementAndLogsIt) {
    fakes.scripts->result.value = s("/Users/me/Scripts/Export Done.scpt");
    const BackgroundScript record = make(s("live view done script"));
    EXPECT_EQ(record.inRunningApplication().getURL(),
              QUrl::fromLocalFile(s("/Users/me/Scripts/Export Done.scpt")));
    record.inRunningApplication().setURL(QUrl::fromLocalFile(s("/tmp/a b.scpt")));
    record.inRunningApplication().setURL(std::nullopt);
    const QStringList sources{kTell + u"return live view done script"_s,
                              kTell + u"set live view done script to \"/tmp/a b.scpt\""_s,
                              kTell + u"set live view done script to \"\""_s};
    EXPECT_EQ(fakes.scripts->sources, sources);
    EXPECT_EQ(fakes.log->systemLines(),
              QStringList({s("## Getting URL for live view done script"), sources[0],
                           s("## Setting URL for live view done script"), sources[1],
                           s("## Setting URL for live view done script"), sources[2]}));
    EXPECT_TRUE(fakes.log->outputLines().isEmpty());
}

TEST_F(AppleScriptTest, PathsAreEscapedInsideTheLiteralAndKeepTheirMeaning) {
    const BackgroundScript record = make(s("batch done script"));
    record.inRunningApplication().setURL(
        QUrl::fromLocalFile(s("/tmp/say \"hi\" \\ back\nslash caf\xC3\xA9 \xE2\x9C\x93.scpt")));
    // A quote in the bundle identifier cannot end its literal either.
    make(s("batch done script"), s("com.evil\" to do shell script \"x")).inRunningApplication().getURL();
    EXPECT_EQ(fakes.scripts->sources,
              QStringList({kTell + s("set batch done script to \"/tmp/say \\\"hi\\\" \\\\ back\\nslash "
                                     "caf\xC3\xA9 \xE2\x9C\x93.scpt\""),
                           s("tell application id \"com.evil\\\" to do shell script \\\"x\" to return batch "
                             "done script")}));
}

TEST_F(AppleScriptTest, NamesThatAreNotPlainTermsNeverReachTheSource) {
    for (const char* name : {"a\nscript", "a\" script", "a | script", "a \xC2\xAC script", "a -- script",
                             "a(b) script", "", "   "}) {
        const BackgroundScript record = make(s(name));
        EXPECT_FALSE(record.inRunningApplication().getURL()) << name;
        record.inRunningApplication().setURL(QUrl::fromLocalFile(s("/tmp/x.scpt")));
    }
    EXPECT_TRUE(fakes.scripts->sources.isEmpty());
    EXPECT_TRUE(fakes.log->systemLines().filter(s("tell application")).isEmpty());
    EXPECT_TRUE(BackgroundScript::isPlainScriptingTerm(s("live view became ready script")));
    EXPECT_TRUE(BackgroundScript::isPlainScriptingTerm(s("my_script 2")));
}

TEST_F(AppleScriptTest, TextsWhoseMeaningInALiteralIsUncertainAreRefusedWithALogLine) {
    // Each in a path, then in a bundle identifier: no source is composed at all.
    const QStringList uncertain{s("\u201C"), s("\u201D"), s("\u201E"),   s("\u00AB"),
                                s("\u00BB"), s("\uFF02"), s("\u2033"),   s("\u2028"),
                                s("\u2029"), s("\u202E"), s("\u200B"),   s("\u2066"),
                                s("\x01"),   s("\x1b"),   s("\xC2\x85"), QString(QChar(0xD800)),
                                s("\uE000")};
    for (const QString& c : uncertain) {
        make(s("batch done script"))
            .inRunningApplication()
            .setURL(QUrl::fromLocalFile(s("/tmp/a") + c + s(".scpt")));
        make(s("batch done script"), s("com.example") + c).inRunningApplication().getURL();
        make(s("batch done script"), s("com.example") + c).inRunningApplication().setURL(std::nullopt);
    }
    EXPECT_TRUE(fakes.scripts->sources.isEmpty()) << fakes.scripts->sources.join(s("\n")).toStdString();
    EXPECT_EQ(fakes.log->systemLines().filter(s("Refusing to send")).size(), 3 * uncertain.size());
    // Single curly quotes, accents and symbols stand for themselves.
    make(s("batch done script"))
        .inRunningApplication()
        .setURL(QUrl::fromLocalFile(s("/tmp/Lisa\u2019s \u00E9t\u00E9 \u2713.scpt")));
    ASSERT_EQ(fakes.scripts->sources.size(), 1);
    EXPECT_TRUE(fakes.scripts->sources[0].endsWith(s("\"/tmp/Lisa\u2019s \u00E9t\u00E9 \u2713.scpt\"")));
}

TEST_F(AppleScriptTest, AUrlThatIsNotALocalFileIsNeverSentAsAnEmptyPath) {
    for (const QUrl& url : {QUrl(s("https://example.com/a.scpt")), QUrl(s("mailto:x@example.com"))})
        make(s("batch done script")).inRunningApplication().setURL(url);
    EXPECT_TRUE(fakes.scripts->sources.isEmpty());
    EXPECT_EQ(fakes.log->systemLines().filter(s("not a local file")).size(), 2);
}

TEST_F(AppleScriptTest, ErrorInformationGoesToStandardOutput) {
    fakes.scripts->result.errorInfo = QVariantMap{{s("NSAppleScriptErrorMessage"), s("Can't set it.")},
                                                  {s("NSAppleScriptErrorNumber"), -10006}};
    make(s("batch done script")).inRunningApplication().setURL(std::nullopt);
    EXPECT_EQ(fakes.log->outputLines(),
              QStringList{ScriptResult::describe(*fakes.scripts->result.errorInfo)});
}

// Directives in a name reach the log as they stand; no result is logged with the record; a result
// that names no file gives none, silently.
TEST_F(AppleScriptTest, FormatDirectivesInNamesAndPathsComeOutLiterally) {
    fakes.scripts->result = ScriptResult{};
    make(s("a %s %n {} script")).inRunningApplication().getURL();
    EXPECT_EQ(fakes.log->systemLines().value(0), s("## Getting URL for a %s %n {} script"));
    EXPECT_TRUE(fakes.log->systemLines().value(1).contains(s("\"a %s %n {} script\" as a scripting term")));
    const BackgroundScript record = make(s("capture done script"));
    EXPECT_FALSE(record.inRunningApplication().getURL());
    EXPECT_EQ(fakes.log->systemLines().value(4),
              s("Result of BackgroundScript(scriptName: \"capture done script\", description: \"Runs.\", "
                "bundleIdentifier: \"com.captureone.captureone16\", defaults: "
                "<UserDefaults: com.captureone.captureone16>, defaultsScriptName: \"endOfCaptureScript\") "
                "was nil"));
    fakes.scripts->result.value = s("missing value");
    EXPECT_FALSE(record.inRunningApplication().getURL());
    EXPECT_EQ(fakes.log->systemLines().size(), 7);
}

TEST_F(AppleScriptTest, PermissionProbeLogsTheStatusAlone) {
    fakes.permission->status = -1743;
    fakes.metadata->items = {testsupport::metadataItem(s("Capture One 23.app"), s("com.example.c1"),
                                                       s("/Applications/Capture One 23.app"), s("16.0"))};
    const auto apps = brisquel::AppFinder::discover(fakes.platform());
    ASSERT_EQ(apps.size(), 1);
    apps[0].checkPermissions();
    EXPECT_EQ(fakes.permission->targets, QStringList{s("com.example.c1")});
    EXPECT_EQ(fakes.log->systemLines(), QStringList({s("Checking AppleEvents permission"), s("-1743")}));
}
