#include "core/VersionAvailability.h"

#include <gtest/gtest.h>

using brisquel::VersionAvailability;
using namespace Qt::Literals::StringLiterals;

namespace {

// Versions compare as text ("10.0" sorts before "2.0"), both ends included, canonically equivalent
// texts equal, by code point rather than UTF-16 unit (U+1F600 after U+FF01).
TEST(VersionAvailabilityTest, RangesCompareAsPlainTextIncludingBothEnds) {
    const VersionAvailability open(u"2.0"_s);
    const VersionAvailability closed(u"2"_s, u"5"_s);
    for (const QString& v : {u"2.0"_s, u"3"_s})
        EXPECT_TRUE(open.compatible(v)) << qPrintable(v);
    for (const QString& v : {u"10.0"_s, u"1.9"_s})
        EXPECT_FALSE(open.compatible(v)) << qPrintable(v);
    for (const QString& v : {u"2"_s, u"3.1"_s, u"5"_s})
        EXPECT_TRUE(closed.compatible(v)) << qPrintable(v);
    for (const QString& v : {u"1"_s, u"6"_s, u"5.1"_s})
        EXPECT_FALSE(closed.compatible(v)) << qPrintable(v);
    EXPECT_EQ(open.description() + u" "_s + closed.description(),
              u"Compatible Versions: 2.0+ Compatible Versions: 2 -> 5"_s);
    EXPECT_TRUE(VersionAvailability(u"é"_s, u"é"_s).compatible(u"e\u0301"_s));
    EXPECT_TRUE(VersionAvailability(u"\uFF01"_s).compatible(u"😀"_s));
}

} // namespace
