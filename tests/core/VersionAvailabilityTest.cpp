#include "core/VersionAvailability.h"

#include <gtest/gtest.h>

using brisquel::VersionAvailability;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(VersionAvailabilityTest, OpenEndedRangeComparesAsPlainText) {
    const VersionAvailability range(s("2.0"));
    EXPECT_TRUE(range.compatible(s("2.0")));
    EXPECT_TRUE(range.compatible(s("3")));
    EXPECT_FALSE(range.compatible(s("10.0"))); // "10.0" sorts before "2.0" as text
    EXPECT_FALSE(range.compatible(s("1.9")));
    EXPECT_EQ(range.description(), s("Compatible Versions: 2.0+"));
}

TEST(VersionAvailabilityTest, ClosedRangeIncludesBothEnds) {
    const VersionAvailability range(s("2"), s("5"));
    for (const char* v : {"2", "3.1", "5"}) {
        EXPECT_TRUE(range.compatible(s(v))) << v;
    }
    for (const char* v : {"1", "6", "5.1"}) {
        EXPECT_FALSE(range.compatible(s(v))) << v;
    }
    EXPECT_EQ(range.description(), s("Compatible Versions: 2 -> 5"));
}

TEST(VersionAvailabilityTest, CanonicallyEquivalentTextsCompareEqual) {
    // "é" precomposed and as e + combining acute are the same version text.
    const VersionAvailability range(s("\xC3\xA9"), s("\xC3\xA9"));
    EXPECT_TRUE(range.compatible(s("e\xCC\x81")));
    // Code point order, not UTF-16 order: U+1F600 (surrogates) sorts after U+FF01.
    const VersionAvailability above(s("\xEF\xBC\x81"));
    EXPECT_TRUE(above.compatible(s("\xF0\x9F\x98\x80")));
}
