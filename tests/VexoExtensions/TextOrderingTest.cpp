#include "VexoExtensions/TextOrdering.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <unicode/ucol.h>

using brisquel::vexo::finderCompare;
using brisquel::vexo::sortsBefore;

const auto s = [](const char* text) { return QString::fromUtf8(text); };

// Beyond ASCII (which the comparison against ICU below covers): width ignored, and texts equal but
// for case or width, or canonically equivalent, ordered in exactly one direction.
TEST(FinderOrderingTest, WidthIgnoredAndNearlyEqualTextsOrderedOneWay) {
    EXPECT_TRUE(sortsBefore(s("\xEF\xBC\xA1"), s("b"))); // full-width "Ａ" sorts with "A"
    EXPECT_FALSE(sortsBefore(s("b"), s("\xEF\xBC\xA1")));
    for (const auto& [first, second] : std::initializer_list<std::pair<const char*, const char*>>{
             {"capture one", "Capture One"}, {"\xEF\xBC\xA1", "A"}, {"\xC3\xA9", "e\xCC\x81"}})
        EXPECT_NE(sortsBefore(s(first), s(second)), sortsBefore(s(second), s(first))) << first;
    EXPECT_NE(finderCompare(s("\xC3\xA9"), s("e\xCC\x81")), 0);
    EXPECT_FALSE(sortsBefore(s("a"), s("a")));
}

namespace {

// ICU's own answer in `locale`, with the same settings and the same tie-break on code units.
int icuCompare(const char* locale, const QString& left, const QString& right) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setStrength(collator, UCOL_TERTIARY);
    const auto units = [](const QString& text) { return reinterpret_cast<const UChar*>(text.utf16()); };
    int r = ucol_strcoll(collator, units(left), int32_t(left.size()), units(right), int32_t(right.size()));
    ucol_close(collator);
    if (r == UCOL_EQUAL)
        r = QString::compare(left, right, Qt::CaseSensitive);
    return (r > 0) - (r < 0);
}

} // namespace

// Printable ASCII is ordered without ICU where the locale orders it as the root collation does: it
// must give ICU's answer for every pair there, as the ICU path must in the other locales.
TEST(FinderOrderingTest, AsciiTextsOrderAsIcuDoes) {
    const char* const locales[] = {"",      "en_US", "fr_FR", "de_DE", "it_IT", "pt_BR",
                                   "nl_NL", "es_ES", "ja_JP", "zh_CN", "ko_KR", "ru_RU",
                                   "da_DK", "sv_SE", "cs_CZ", "tr_TR", "hu_HU"};
    QString alphabet = s("0019aAbBhH ");
    for (char16_t c = 0x20; c < 0x7F; ++c)
        alphabet += QChar(c);
    std::mt19937 random(7);
    const auto letter = [&] { return alphabet.at(static_cast<qsizetype>(random() % alphabet.size())); };
    const auto text = [&] {
        QString t;
        for (int n = static_cast<int>(random() % 7); n > 0; --n)
            t += letter();
        return t;
    };
    const QLocale saved;
    for (const char* name : locales) {
        QLocale::setDefault(*name ? QLocale(QString::fromLatin1(name)) : QLocale::c());
        int disagreements = 0;
        for (int i = 0; i < 4000 && disagreements < 5; ++i) {
            const QString a = text();
            QString b = a; // half the pairs differ in one letter only
            if (i % 2 == 0 || b.isEmpty())
                b = text();
            else
                b[static_cast<qsizetype>(random() % b.size())] = letter();
            if (finderCompare(a, b) != icuCompare(name, a, b)) {
                ++disagreements;
                ADD_FAILURE() << name << ": \"" << a.toStdString() << "\" against \"" << b.toStdString()
                              << '"';
            }
        }
    }
    QLocale::setDefault(saved);
}
