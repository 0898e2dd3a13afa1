#include "core/BackgroundScript.h"
#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using brisquel::BackgroundScript;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class ScriptRecordTest : public ::testing::Test {
protected:
    BackgroundScript make(const char* name, const char* bundle = "com.captureone.captureone16") {
        return BackgroundScript(s(name), s("A description."), s(bundle), fakes.platform());
    }
    testsupport::FakePlatform fakes;
};

} // namespace

// The worked examples, then real names and odd spacing: only the first "done" goes, two spaces make an
// empty word, "Done" is not "done", and capitalising takes no locale rules and keeps characters
// outside the BMP whole.
TEST(PreferencesKeyTest, FollowsEveryWorkedExample) {
    const std::pair<const char*, const char*> examples[] = {
        {"alpha beta script", "alphaBetaScript"},
        {"done alpha script", "endOfAlphaScript"},
        {"alpha done script", "endOfAlphaScript"},
        {"alpha became beta script", "alphaBetaScript"},
        {"Alpha BETA script", "AlphaBetaScript"},
        {"done script", "endOfScript"},
        {"done became script", "endOfBecameScript"},
        {"alpha", "alpha"},
        {"live view became ready script", "liveViewReadyScript"},
        {"done done script", "endOfDoneScript"},
        {"alpha  beta", "alphaBeta"},
        {"Done script", "DoneScript"},
        {"", ""},
        {"a \xC3\xA9T\xC3\x89", "a\xC3\x89t\xC3\xA9"},
        {"a \xF0\x90\x90\xA8x", "a\xF0\x90\x90\x80x"},
    };
    for (const auto& [name, key] : examples) {
        EXPECT_EQ(BackgroundScript::defaultsKey(s(name)), s(key)) << name;
    }
}

TEST_F(ScriptRecordTest, DisplayNameDropsEveryScriptWordAndCapitalises) {
    EXPECT_EQ(make("capture done script").displayName(), s("Capture Done"));
    EXPECT_EQ(make("alpha script beta script").displayName(), s("Alpha Beta"));
    EXPECT_EQ(make("alpha scripts").displayName(), s("Alphas"));
    EXPECT_EQ(make("script").displayName(), s("Script"));
    EXPECT_EQ(make("LIVE view script").displayName(), s("Live View"));
}

TEST_F(ScriptRecordTest, UrlIsReadAndWrittenThroughTheDomain) {
    BackgroundScript record = make("capture done script");
    auto domain = fakes.preferences->domain(s("com.captureone.captureone16"));
    EXPECT_FALSE(record.url());

    const QUrl file = QUrl::fromLocalFile(s("/Users/me/My Scripts/\"quoted\" caf\xC3\xA9 100%.scpt"));
    ASSERT_TRUE(record.setUrl(file));
    EXPECT_EQ(domain->m_values.value(s("endOfCaptureScript")), QVariant(file.toLocalFile()));
    ASSERT_TRUE(record.url());
    EXPECT_EQ(record.url()->toLocalFile(), file.toLocalFile());

    ASSERT_TRUE(record.setUrl(std::nullopt));
    EXPECT_FALSE(domain->m_values.contains(s("endOfCaptureScript")));
    EXPECT_FALSE(record.url());

    domain->m_failWrites = true;
    EXPECT_FALSE(record.setUrl(file));
}
