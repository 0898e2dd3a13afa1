#include "VexoExtensions/TextOrdering.h"
#include "core/VersionAvailability.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

using brisquel::VersionAvailability;
using brisquel::vexo::finderCompare;
using brisquel::vexo::sortsBefore;

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
    EXPECT_EQ(range.startVersion(), s("2"));
    EXPECT_EQ(range.endVersion(), s("5"));
}

TEST(VersionAvailabilityTest, CanonicallyEquivalentTextsCompareEqual) {
    // "é" precomposed and as e + combining acute are the same version text.
    const VersionAvailability range(s("\xC3\xA9"), s("\xC3\xA9"));
    EXPECT_TRUE(range.compatible(s("e\xCC\x81")));
    // Code point order, not UTF-16 order: U+1F600 (surrogates) sorts after U+FF01.
    const VersionAvailability above(s("\xEF\xBC\x81"));
    EXPECT_TRUE(above.compatible(s("\xF0\x9F\x98\x80")));
}

TEST(FinderOrderingTest, DigitRunsCompareByValue) {
    EXPECT_TRUE(sortsBefore(s("Capture One 9"), s("Capture One 10")));
    EXPECT_FALSE(sortsBefore(s("Capture One 10"), s("Capture One 9")));
    EXPECT_TRUE(sortsBefore(s("Capture One 20"), s("Capture One 22")));
    EXPECT_TRUE(sortsBefore(s("Capture One 1.2"), s("Capture One 1.10")));
}

TEST(FinderOrderingTest, CaseAndWidthAreIgnoredButAFixedOrderRemains) {
    EXPECT_TRUE(sortsBefore(s("alpha"), s("Beta")));
    EXPECT_TRUE(sortsBefore(s("ALPHA"), s("beta")));
    // Texts equal but for case: exactly one direction holds.
    EXPECT_NE(sortsBefore(s("capture one"), s("Capture One")),
              sortsBefore(s("Capture One"), s("capture one")));
    // Full-width "Ａ" sorts with "A", before "b".
    EXPECT_TRUE(sortsBefore(s("\xEF\xBC\xA1"), s("b")));
    EXPECT_NE(sortsBefore(s("\xEF\xBC\xA1"), s("A")), sortsBefore(s("A"), s("\xEF\xBC\xA1")));
    // Canonically equivalent but distinct code units still get an order.
    EXPECT_NE(finderCompare(s("\xC3\xA9"), s("e\xCC\x81")), 0);
}

TEST(FinderOrderingTest, IsAStrictTotalOrder) {
    EXPECT_FALSE(sortsBefore(s("a"), s("a")));
    EXPECT_FALSE(sortsBefore(QString(), QString()));
    QStringList names = {s("Capture One 10"), s("capture one 9"),   s("Capture One 9"),   s("Capture One 2"),
                         s("Capture One"),    s("Capture One Pro"), s("Capture One 9.1"), s("CAPTURE ONE 9")};
    std::sort(names.begin(), names.end(), sortsBefore);
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
        EXPECT_TRUE(sortsBefore(names[i], names[i + 1]))
            << names[i].toStdString() << " / " << names[i + 1].toStdString();
        EXPECT_FALSE(sortsBefore(names[i + 1], names[i]));
    }
    EXPECT_EQ(names.front(), s("Capture One"));
}

TEST(FinderOrderingTest, FollowsTheCurrentLocale) {
    // In Swedish "ö" sorts after "z"; in German it sorts with "o".
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    const bool swedish = sortsBefore(s("z"), s("\xC3\xB6"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool german = sortsBefore(s("\xC3\xB6"), s("z"));
    QLocale::setDefault(saved);
    EXPECT_TRUE(swedish);
    EXPECT_TRUE(german);
}
