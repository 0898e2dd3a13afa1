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

TEST(FinderOrderingTest, NumbersByValueCaseAndWidthIgnored) {
    for (const auto& [first, second] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Capture One 9", "Capture One 10"},
             {"Capture One 20", "Capture One 22"},
             {"Capture One 1.2", "Capture One 1.10"},
             {"alpha", "Beta"},
             {"ALPHA", "beta"},
             {"\xEF\xBC\xA1", "b"}, // full-width "Ａ" sorts with "A"
         }) {
        EXPECT_TRUE(sortsBefore(s(first), s(second))) << first;
        EXPECT_FALSE(sortsBefore(s(second), s(first))) << first;
    }
    // Texts equal but for case or width, or canonically equivalent: exactly one direction holds.
    for (const auto& [first, second] : std::initializer_list<std::pair<const char*, const char*>>{
             {"capture one", "Capture One"}, {"\xEF\xBC\xA1", "A"}, {"\xC3\xA9", "e\xCC\x81"}})
        EXPECT_NE(sortsBefore(s(first), s(second)), sortsBefore(s(second), s(first))) << first;
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
