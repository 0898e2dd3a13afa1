#include "VexoExtensions/TextOrdering.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

using brisquel::vexo::finderCompare;
using brisquel::vexo::sortsBefore;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

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
