#include "core/BackgroundScript.h"
#include "tests/support/FakePlatform.h"

#include <gtest/gtest.h>

using brisquel::BackgroundScript;
using namespace Qt::Literals::StringLiterals;

namespace {

// The worked examples, then odd spacing: only the first "done" goes, two spaces make an empty word,
// "Done" is not "done", and capitalising takes no locale rules and keeps characters outside the
// BMP whole.
TEST(PreferencesKeyTest, FollowsEveryWorkedExample) {
    const std::pair<const char*, const char*> examples[] = {
        {"alpha beta script", "alphaBetaScript"},
        {"done alpha script", "endOfAlphaScript"},
        {"alpha done script", "endOfAlphaScript"},
        {"alpha became beta script", "alphaBetaScript"},
        {"Alpha BETA script", "AlphaBetaScript"},
        {"done script", "endOfScript"},
        {"done became script", "endOfBecameScript"},
        {"live view became ready script", "liveViewReadyScript"},
        {"alpha", "alpha"},
        {"done done script", "endOfDoneScript"},
        {"alpha  beta", "alphaBeta"},
        {"Done script", "DoneScript"},
        {"", ""},
        {"a \xC3\xA9T\xC3\x89", "a\xC3\x89t\xC3\xA9"},
        {"a \xF0\x90\x90\xA8x", "a\xF0\x90\x90\x80x"},
    };
    for (const auto& [name, key] : examples)
        EXPECT_EQ(BackgroundScript::defaultsKey(QString::fromUtf8(name)), QString::fromUtf8(key)) << name;
}

TEST(ScriptRecordTest, DisplayNameDropsEveryScriptWordAndCapitalises) {
    testsupport::FakePlatform fakes;
    for (const auto& [name, shown] : {std::pair{u"capture done script"_s, u"Capture Done"_s},
                                      {u"alpha script beta script"_s, u"Alpha Beta"_s},
                                      {u"alpha scripts"_s, u"Alphas"_s},
                                      {u"script"_s, u"Script"_s},
                                      {u"LIVE view script"_s, u"Live View"_s}})
        EXPECT_EQ(BackgroundScript(name, {}, u"com.c1"_s, fakes.platform()).displayName(), shown);
}

} // namespace
