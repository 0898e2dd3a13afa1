// The order of update-feed versions, and which texts are versions at all.

#include "VexoUpdater/VersionComparator.h"

#include <gtest/gtest.h>

#include <string>

using quillmere::VersionComparator;

namespace {

TEST(VersionComparator, OrdersTheVersionsOfUpdateFeeds) {
    const std::pair<const char*, const char*> olderNewer[] = {
        {"1.9", "1.10"}, // numbers by value, not text
        {"2", "10"},
        {"0.9.3", "6933"}, // old dotted builds before plain numbers
        {"1.0", "1.0.1"},
        {"1.0", "1.0.0.1"}, // zeros first, then a number: later
        {"1.0.0-beta.9", "1.0.0"},
        {"1.0.0-beta.9", "1.0.0-beta.10"},
        {"1.0b1", "1.0"},
        {"1.0a", "1.0"},
        {"1.0alpha", "1.0beta"},
        {"1.0b", "1.0beta"},
        {"1.0beta2", "1.0rc1"},
        {"1.0b1", "1.0.1"},     // a number beats a word in the same place
        {"1.18.3", "1.18.3-2"}, // a trailing number is a later build
        {"1.0.0beta", "1.0"},
        {"181253", "281560"},
        {"99999999999999999999", "100000000000000000000"}, // beyond 64 bits
        {"Beta 1", "beta 2"},
    };
    for (const auto& [older, newer] : olderNewer) {
        EXPECT_LT(VersionComparator::compare(older, newer), 0) << older << " < " << newer;
        EXPECT_GT(VersionComparator::compare(newer, older), 0) << newer << " > " << older;
    }
    const std::pair<const char*, const char*> same[] = {
        {"1.0", "1.0.0"}, {"1.0", "1.0.0.0"}, {"007", "7"}, {"1-0", "1.0"}, {"1.0beta", "1.0BETA"}, {"", ""}};
    for (const auto& [a, b] : same) {
        EXPECT_EQ(VersionComparator::compare(a, b), 0) << a << " = " << b;
        EXPECT_EQ(VersionComparator::compare(b, a), 0) << b << " = " << a;
    }
    EXPECT_LT(VersionComparator::compare(QStringLiteral("1.0.0-beta.9"), QStringLiteral("1.0.0")), 0);
}

TEST(VersionComparator, TakesATextAsAVersionOnlyWhenItCanBeCompared) {
    const std::pair<std::string, bool> texts[] = {
        {"1.0", true},
        {"v0.0.31", true},
        {"1.0 beta 2", true},
        {"1.0+build_7~rc", true},
        {std::string(VersionComparator::kMaximumLength, '1'), true},
        {std::string(VersionComparator::kMaximumLength + 1, '1'), false},
        {"", false},
        {"banana", false},
        {" 1.0", false},
        {"1.0 ", false},
        {"1.0\n", false},
        {"1.0<script>", false},
        {"1.0/../2", false},
        {"１.０", false}, // full-width digits are not digits of a version
    };
    for (const auto& [text, valid] : texts)
        EXPECT_EQ(VersionComparator::isVersion(text), valid) << '"' << text << '"';
    EXPECT_FALSE(VersionComparator::isVersion(QStringLiteral("二")));
}

} // namespace
