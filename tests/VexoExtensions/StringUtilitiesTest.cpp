#include "VexoExtensions/StringUtilities.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

const auto S = [](const char16_t* text) { return QString::fromUtf16(text); };

TEST(PaddingNumbers, PadsEveryShortRunWithTheWholePadText) {
    for (const auto& [text, pad, width, expected] :
         std::initializer_list<std::tuple<const char16_t*, const char16_t*, int, const char16_t*>>{
             {u"a7b12", u"0", 3, u"a007b012"},
             {u"a7b12", u"0", -4, u"a7b12"},
             {u"x5", u"ab", 3, u"xabab5"},
             {u"\u0663", u"0", 3, u"00\u0663"},        // Arabic-Indic digits are decimal digits
             {u"\U0001D7D9", u"0", 2, u"0\U0001D7D9"}, // a digit beyond the BMP is one character
         })
        EXPECT_EQ(paddingNumbers(S(text), width, S(pad)), S(expected)) << width;
}

TEST(Counter, AddsOrBumpsTheCounterAfterTheDelimiter) {
    struct Case {
        const char16_t* text;
        qint64 start, step;
        const char16_t *format, *delimiter, *expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             {u"Photo", 1, 1, u"%02d", u"-", u"Photo-01"},
             {u"Photo9", 1, 1, u"%d", u"-", u"Photo9-1"}, // digits without the delimiter are no counter
             {u"a12", 1, 1, u"%d", u"", u"a13"},          // an empty delimiter takes the trailing digits
             {u"a-1b-1", 1, 1, u"%d", u"-", u"a-1b-2"},   // the same text earlier in the name stays
             // The delimiter is a pattern: "." matches the x, so "x5" is stripped of nothing and does
             // not read as a number; an invalid pattern finds no counter.
             {u"ax5", 1, 1, u"%d", u".", u"ax5.1"},
             {u"a(3", 1, 1, u"%d", u"(", u"a(3(1"},
             // Digits that do not read as a 64-bit number start over.
             {u"a-\u0663", 1, 1, u"%d", u"-", u"a-\u0663-1"},
             {u"a-9223372036854775806", 1, 1, u"%d", u"-", u"a-9223372036854775807"},
             // Printf's rules for one integer, whatever its length modifier.
             {u"a-0", 1, -1, u"%llu", u"-", u"a-18446744073709551615"},
             {u"a", std::numeric_limits<qint64>::min(), 1, u"%03d", u"_", u"a_-9223372036854775808"},
             {u"a-254", 1, 1, u"%#x", u"-", u"a-0xff"},
             {u"a-4", 1, 1, u"(%lld%%)", u"-", u"a-(5%)"},
         })
        EXPECT_EQ(incrementingCounter(S(c.text), c.start, c.step, S(c.format), S(c.delimiter)),
                  S(c.expected));
    EXPECT_THROW(incrementingCounter(S(u"a-9223372036854775807"), 1, 1, S(u"%d"), S(u"-")), CounterError);
}

TEST(CounterFormat, AnythingButOneIntegerConversionNeverReachesPrintf) {
    const QStringList refused = {S(u"%s"),      S(u"%n"),      S(u"%d%d"), S(u"plain"), S(u"%"),
                                 S(u"%*d"),     S(u"%1$d"),    S(u"%f"),   S(u"%@"),    S(u"%.*d"),
                                 S(u"%99999d"), S(u"%.2000d"), S(u"%d %s")};
    for (const QString& format : refused) {
        try {
            incrementingCounter(S(u"a"), 1, 1, format, S(u"-"));
            ADD_FAILURE() << "accepted " << format.toStdString();
        } catch (const CounterError& error) {
            EXPECT_EQ(error.kind(), CounterError::Kind::InvalidFormat) << format.toStdString();
            EXPECT_TRUE(error.failureReason().contains(format)) << error.what();
        }
    }
    QString name = S(u"keep-1");
    EXPECT_THROW(incrementCounter(name, 1, 1, S(u"%s"), S(u"-")), CounterError);
    EXPECT_EQ(name, S(u"keep-1")); // the in-place form leaves the text as it was
}

// Titlecase letters count as capitals; the capital before B is the whole "É"; one beyond the BMP is
// one character, and half a pair is none.
TEST(CamelCaps, SplitsWordsAtCapitals) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral(u"ABCd"), QStringLiteral(u"A BCd")},
        {QStringLiteral(u"openURLNow"), QStringLiteral(u"open URLNow")},
        {QStringLiteral(u"größeÄnderung"), QStringLiteral(u"größe Änderung")},
        {QStringLiteral(u"x\u01C5y"), QStringLiteral(u"x \u01C5y")},
        {QStringLiteral(u"aE\u0301B"), QStringLiteral(u"a E\u0301B")},
        {QStringLiteral(u"a\U00010400"), QStringLiteral(u"a \U00010400")},
        {QStringLiteral(u"a\xD800\x42"), QStringLiteral(u"a\xD800 B")}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(camelCaps(text), expected);
}

TEST(SmallTextHelpers, LineFeedsAndBlanks) {
    EXPECT_EQ(minified(S(u"one\r\ntwo\r\n")), S(u"one\rtwo\r"));
    EXPECT_EQ(trimmingWhiteSpace(S(u" \t\u00A0\u3000 word \t")), S(u"word"));
    EXPECT_EQ(trimmingWhiteSpace(S(u"\n word \n")), S(u"\n word \n")); // line breaks are no blanks
    EXPECT_EQ(trimmingWhiteSpace(S(u"   ")), S(u""));
}

TEST(SubstringFor, OneGroupGivesTheGroupOtherwiseTheMatchAndMatchesSearchesAnywhere) {
    EXPECT_EQ(substring(S(u"version 12.3"), S(u"(\\d+)\\.")), S(u"12"));
    EXPECT_EQ(substring(S(u"version 12.3"), S(u"(\\d+)\\.(\\d+)")), S(u"12.3"));
    EXPECT_FALSE(substring(S(u"text"), S(u"(")));
    EXPECT_TRUE(matches(S(u"abc123"), S(u"\\d+")));
    EXPECT_FALSE(matches(S(u"abc"), S(u"[")));
}

TEST(BatchReplacing, EachInputGetsItsOwnReplacementWithTheSameOptions) {
    EXPECT_EQ(batchReplacingOccurrences({S(u"a-x"), S(u"x-b-x")}, S(u"x"), {S(u"1"), S(u"2"), S(u"3")}),
              (QStringList{S(u"a-1"), S(u"2-b-2")}));
    EXPECT_THROW(batchReplacingOccurrences({S(u"a"), S(u"b")}, S(u"a"), {S(u"c")}), StringReplacementError);
    EXPECT_EQ(batchReplacingOccurrences({S(u"xAx"), S(u"AaA")}, S(u"a"), {S(u"-"), S(u"+")},
                                        CompareOption::CaseInsensitive, TextRange{1, 2}),
              (QStringList{S(u"x-x"), S(u"A++")}));
    EXPECT_THROW(batchReplacingOccurrences({S(u"long enough"), S(u"short")}, S(u"o"), {S(u"0"), S(u"0")}, {},
                                           TextRange{0, 8}),
                 std::out_of_range);
}

TEST(ReplacingOccurrences, EachComparisonOption) {
    using O = CompareOption;
    struct Case {
        const char16_t *text, *target, *replacement;
        CompareOptions options;
        const char16_t* expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             // Canonically equivalent forms match unless literal.
             {u"caf\u00E9", u"cafe\u0301", u"X", {}, u"X"},
             {u"caf\u00E9", u"cafe\u0301", u"X", O::Literal, u"caf\u00E9"},
             {u"cafe\u0301", u"e", u"X", {}, u"cafe\u0301"}, // an "e" is not the start of an "é"
             {u"cafe\u0301", u"e", u"X", O::DiacriticInsensitive, u"cafX"},
             {u"Straße", u"SS", u"ss", O::CaseInsensitive, u"Strasse"},
             {u"\uFF21\uFF22C", u"AB", u"x", O::WidthInsensitive, u"xC"},
             {u"aaa", u"aa", u"X", O::Backwards, u"aX"},
             {u"abab", u"ab", u"X", O::Anchored, u"Xab"},
             {u"abab", u"ab", u"X", O::Anchored | O::Backwards, u"abX"},
             {u"abc", u"", u"X", {}, u"abc"},
             {u"a1b22", u"(\\d+)", u"<$1>", O::RegularExpression, u"a<1>b<22>"},
             {u"abc", u"(", u"x", O::RegularExpression, u"abc"},
         })
        EXPECT_EQ(replacingOccurrences(S(c.text), S(c.target), S(c.replacement), c.options), S(c.expected))
            << S(c.text).toStdString() << " / " << S(c.target).toStdString() << " / " << c.options.toInt();
}
