#include "VexoUpdater/VersionComparator.h"

#include <gtest/gtest.h>

#include <string>

using quillmere::VersionComparator;

namespace {

struct Ordering {
    const char* older;
    const char* newer;
};

class VersionsInOrder : public ::testing::TestWithParam<Ordering> {};

TEST_P(VersionsInOrder, theOlderComparesBelowTheNewerAndTheReverseAbove) {
    const Ordering& c = GetParam();
    EXPECT_LT(VersionComparator::compare(c.older, c.newer), 0) << c.older << " < " << c.newer;
    EXPECT_GT(VersionComparator::compare(c.newer, c.older), 0) << c.newer << " > " << c.older;
}

INSTANTIATE_TEST_SUITE_P(
    UpdateFeedVersions, VersionsInOrder,
    ::testing::Values(Ordering{"1.9", "1.10"}, // numbers by value, not text
                      Ordering{"2", "10"},
                      Ordering{"0.9.3", "6933"}, // old dotted builds before plain numbers
                      Ordering{"1.0", "1.0.1"}, Ordering{"1.0.0-beta.9", "1.0.0"},
                      Ordering{"1.0.0-beta.9", "1.0.0-beta.10"}, Ordering{"1.0b1", "1.0"},
                      Ordering{"1.0a", "1.0"}, Ordering{"1.0alpha", "1.0beta"},
                      Ordering{"1.0beta2", "1.0rc1"},
                      Ordering{"1.0b1", "1.0.1"},     // a number beats a word in the same place
                      Ordering{"1.18.3", "1.18.3-2"}, // a trailing number is a later build
                      Ordering{"1.0.0beta", "1.0"}, Ordering{"181253", "281560"},
                      Ordering{"99999999999999999999", "100000000000000000000"}, // beyond 64 bits
                      Ordering{"Beta 1", "beta 2"}));

struct Same {
    const char* a;
    const char* b;
};

class VersionsThatAreTheSame : public ::testing::TestWithParam<Same> {};

TEST_P(VersionsThatAreTheSame, compareEqualBothWays) {
    EXPECT_EQ(VersionComparator::compare(GetParam().a, GetParam().b), 0);
    EXPECT_EQ(VersionComparator::compare(GetParam().b, GetParam().a), 0);
}

INSTANTIATE_TEST_SUITE_P(UpdateFeedVersions, VersionsThatAreTheSame,
                         ::testing::Values(Same{"1.0", "1.0.0"}, Same{"1.0", "1.0.0.0"}, Same{"007", "7"},
                                           Same{"1-0", "1.0"}, Same{"1.0beta", "1.0BETA"}, Same{"", ""}));

struct Validity {
    const char* text;
    bool valid;
};

class VersionTexts : public ::testing::TestWithParam<Validity> {};

TEST_P(VersionTexts, areTakenAsVersionsOnlyWhenTheyCanBeCompared) {
    EXPECT_EQ(VersionComparator::isVersion(GetParam().text), GetParam().valid)
        << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    UpdateFeedVersions, VersionTexts,
    ::testing::Values(Validity{"1.0", true}, Validity{"6933", true}, Validity{"1.0.0-beta.9", true},
                      Validity{"v0.0.31", true}, Validity{"1.0 beta 2", true}, Validity{"", false},
                      Validity{"banana", false}, Validity{"latest", false}, Validity{" 1.0", false},
                      Validity{"1.0\n", false}, Validity{"1.0<script>", false}, Validity{"1.0/../2", false},
                      Validity{"１.０", false})); // full-width digits are not digits of a version

TEST(VersionTextLength, aVersionLongerThanTheLimitIsNotOne) {
    EXPECT_TRUE(VersionComparator::isVersion(std::string(VersionComparator::kMaximumLength, '1')));
    EXPECT_FALSE(VersionComparator::isVersion(std::string(VersionComparator::kMaximumLength + 1, '1')));
}

TEST(VersionTextForms, qStringAndUtf8FormsAgree) {
    EXPECT_LT(VersionComparator::compare(QStringLiteral("1.0.0-beta.9"), QStringLiteral("1.0.0")), 0);
    EXPECT_TRUE(VersionComparator::isVersion(QStringLiteral("2.7.1")));
    EXPECT_FALSE(VersionComparator::isVersion(QStringLiteral("二")));
}

} // namespace
