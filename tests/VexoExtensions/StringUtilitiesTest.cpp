#include "VexoExtensions/StringUtilities.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
QString S(const char16_t* text) {
    return QString::fromUtf16(text);
}
} // namespace

// --- padding -----------------------------------------------------------------------------------

TEST(PaddingNumbers, PadsEveryShortRun) {
    EXPECT_EQ(paddingNumbers(S(u"a7b12"), 3, S(u"0")), S(u"a007b012"));
    EXPECT_EQ(paddingNumbers(S(u"a7b12"), 2, S(u"0")), S(u"a07b12"));
    EXPECT_EQ(paddingNumbers(S(u"a7b12"), 1, S(u"0")), S(u"a7b12"));
    EXPECT_EQ(paddingNumbers(S(u"a7b12"), 0, S(u"0")), S(u"a7b12"));
    EXPECT_EQ(paddingNumbers(S(u"a7b12"), -4, S(u"0")), S(u"a7b12"));
    EXPECT_EQ(paddingNumbers(S(u"no digits"), 5, S(u"0")), S(u"no digits"));
}

TEST(PaddingNumbers, PadTextRepeatsWhole) {
    EXPECT_EQ(paddingNumbers(S(u"x5"), 3, S(u"ab")), S(u"xabab5"));
}

TEST(PaddingNumbers, OtherScriptsDigitsCountByCharacter) {
    // Arabic-Indic digits are decimal digits too; a digit beyond the BMP counts as one character.
    EXPECT_EQ(paddingNumbers(S(u"\u0663"), 3, S(u"0")), S(u"00\u0663"));
    EXPECT_EQ(paddingNumbers(S(u"\U0001D7D9"), 2, S(u"0")), S(u"0\U0001D7D9"));
}

TEST(PaddingNumbers, InPlaceFormReplacesTheText) {
    QString name = S(u"IMG 9");
    padNumbers(name, 4, S(u"0"));
    EXPECT_EQ(name, S(u"IMG 0009"));
}

// --- counters ----------------------------------------------------------------------------------

TEST(Counter, AddsThenBumps) {
    EXPECT_EQ(incrementingCounter(S(u"Photo"), 1, 1, S(u"%02d"), S(u"-")), S(u"Photo-01"));
    EXPECT_EQ(incrementingCounter(S(u"Photo-01"), 1, 1, S(u"%02d"), S(u"-")), S(u"Photo-02"));
    EXPECT_EQ(incrementingCounter(S(u"Photo-9"), 1, 1, S(u"%02d"), S(u"-")), S(u"Photo-10"));
    EXPECT_EQ(incrementingCounter(S(u"Photo-9"), 1, 5, S(u"%d"), S(u"-")), S(u"Photo-14"));
}

TEST(Counter, DigitsWithoutTheDelimiterAreNotACounter) {
    EXPECT_EQ(incrementingCounter(S(u"Photo9"), 1, 1, S(u"%d"), S(u"-")), S(u"Photo9-1"));
}

TEST(Counter, EmptyDelimiterTakesTheTrailingDigits) {
    EXPECT_EQ(incrementingCounter(S(u"a12"), 1, 1, S(u"%d"), S(u"")), S(u"a13"));
    EXPECT_EQ(incrementingCounter(S(u"abc"), 7, 1, S(u"%d"), S(u"")), S(u"abc7"));
}

TEST(Counter, OnlyTheMatchedCounterIsRemoved) {
    // The same text earlier in the name stays.
    EXPECT_EQ(incrementingCounter(S(u"a-1b-1"), 1, 1, S(u"%d"), S(u"-")), S(u"a-1b-2"));
}

TEST(Counter, DelimiterIsAPattern) {
    // "." matches any character: "x5" reads as a counter of 5 after stripping the delimiter's
    // characters (none of which occur), so it does not read as a number and the start is used.
    EXPECT_EQ(incrementingCounter(S(u"ax5"), 1, 1, S(u"%d"), S(u".")), S(u"ax5.1"));
    // An invalid pattern finds no counter.
    EXPECT_EQ(incrementingCounter(S(u"a(3"), 1, 1, S(u"%d"), S(u"(")), S(u"a(3(1"));
}

TEST(Counter, NonAsciiOrTooLongDigitsStartOver) {
    EXPECT_EQ(incrementingCounter(S(u"a-\u0663"), 1, 1, S(u"%d"), S(u"-")), S(u"a-\u0663-1"));
    EXPECT_EQ(incrementingCounter(S(u"a-99999999999999999999"), 1, 1, S(u"%d"), S(u"-")),
              S(u"a-99999999999999999999-1"));
}

TEST(Counter, OverflowIsAnError) {
    try {
        incrementingCounter(S(u"a-9223372036854775807"), 1, 1, S(u"%d"), S(u"-"));
        FAIL();
    } catch (const CounterError& error) {
        EXPECT_EQ(error.kind(), CounterError::Kind::Overflow);
    }
    EXPECT_EQ(incrementingCounter(S(u"a-9223372036854775806"), 1, 1, S(u"%d"), S(u"-")),
              S(u"a-9223372036854775807"));
}

TEST(Counter, NegativeStepsAndValues) {
    EXPECT_EQ(incrementingCounter(S(u"a-0"), 1, -1, S(u"%d"), S(u"-")), S(u"a--1"));
    EXPECT_EQ(incrementingCounter(S(u"a"), -3, 1, S(u"%03d"), S(u"_")), S(u"a_-03"));
}

TEST(CounterFormat, PrintfRulesForOneInteger) {
    EXPECT_EQ(formatCounter(7, S(u"%d")), S(u"7"));
    EXPECT_EQ(formatCounter(7, S(u"%03ld")), S(u"007"));
    EXPECT_EQ(formatCounter(7, S(u"%-3d|")), S(u"7  |"));
    EXPECT_EQ(formatCounter(7, S(u"%+d")), S(u"+7"));
    EXPECT_EQ(formatCounter(7, S(u"% d")), S(u" 7"));
    EXPECT_EQ(formatCounter(-7, S(u"%05d")), S(u"-0007"));
    EXPECT_EQ(formatCounter(7, S(u"%5.3d")), S(u"  007"));
    EXPECT_EQ(formatCounter(0, S(u"%.0d")), S(u""));
    EXPECT_EQ(formatCounter(255, S(u"%#x")), S(u"0xff"));
    EXPECT_EQ(formatCounter(255, S(u"%X")), S(u"FF"));
    EXPECT_EQ(formatCounter(8, S(u"%#o")), S(u"010"));
    EXPECT_EQ(formatCounter(5, S(u"(%lld%%)")), S(u"(5%)"));
    EXPECT_EQ(formatCounter(std::numeric_limits<qint64>::min(), S(u"%d")), S(u"-9223372036854775808"));
    EXPECT_EQ(formatCounter(-1, S(u"%llu")), S(u"18446744073709551615"));
}

TEST(CounterFormat, AnythingButOneIntegerConversionIsRefused) {
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
}

TEST(CounterFormat, InPlaceFormLeavesTheTextOnError) {
    QString name = S(u"keep-1");
    EXPECT_THROW(incrementCounter(name, 1, 1, S(u"%s"), S(u"-")), CounterError);
    EXPECT_EQ(name, S(u"keep-1"));
    incrementCounter(name, 1, 1, S(u"%d"), S(u"-"));
    EXPECT_EQ(name, S(u"keep-2"));
}

// --- words and blanks --------------------------------------------------------------------------

TEST(CamelCaps, SplitsWords) {
    EXPECT_EQ(camelCaps(S(u"backgroundScript")), S(u"background Script"));
    EXPECT_EQ(camelCaps(S(u"ABc")), S(u"A Bc"));
    EXPECT_EQ(camelCaps(S(u"ABCd")), S(u"A BCd"));
    EXPECT_EQ(camelCaps(S(u"a")), S(u"a"));
    EXPECT_EQ(camelCaps(S(u"")), S(u""));
    EXPECT_EQ(camelCaps(S(u"openURLNow")), S(u"open URLNow"));
}

TEST(CamelCaps, UnicodeCapitalsAndCharacters) {
    EXPECT_EQ(camelCaps(S(u"größeÄnderung")), S(u"größe Änderung"));
    // Titlecase letters count as capitals.
    EXPECT_EQ(camelCaps(S(u"x\u01C5y")), S(u"x \u01C5y"));
    // The character before is the whole "É" (E and a combining accent): a capital, so no space.
    EXPECT_EQ(camelCaps(S(u"aE\u0301B")), S(u"a E\u0301B"));
    // A capital beyond the BMP (Deseret) is one character.
    EXPECT_EQ(camelCaps(S(u"a\U00010400")), S(u"a \U00010400"));
}

TEST(Minified, RemovesOnlyLineFeeds) {
    EXPECT_EQ(minified(S(u"one\r\ntwo\r\n")), S(u"one\rtwo\r"));
    EXPECT_EQ(minified(S(u"\n\n")), S(u""));
}

TEST(TrimmingWhiteSpace, HorizontalBlanksOnly) {
    EXPECT_EQ(trimmingWhiteSpace(S(u" \t\u00A0\u3000 word \t")), S(u"word"));
    EXPECT_EQ(trimmingWhiteSpace(S(u"\n word \n")), S(u"\n word \n"));
    EXPECT_EQ(trimmingWhiteSpace(S(u"   ")), S(u""));
    EXPECT_EQ(trimmingWhiteSpace(S(u"a b")), S(u"a b"));
}

TEST(SmallTextHelpers, IsNotEmptyAndOrEmpty) {
    EXPECT_TRUE(isNotEmpty(S(u" ")));
    EXPECT_FALSE(isNotEmpty(QString()));
    EXPECT_EQ(orEmpty(std::nullopt), QString());
    EXPECT_EQ(orEmpty(S(u"x")), S(u"x"));
}

// --- regular-expression conveniences -----------------------------------------------------------

TEST(SubstringFor, OneGroupGivesTheGroupOtherwiseTheMatch) {
    EXPECT_EQ(substring(S(u"version 12.3"), S(u"(\\d+)\\.")), S(u"12"));
    EXPECT_EQ(substring(S(u"version 12.3"), S(u"(\\d+)\\.(\\d+)")), S(u"12.3"));
    EXPECT_EQ(substring(S(u"version 12.3"), S(u"\\d+")), S(u"12"));
    EXPECT_FALSE(substring(S(u"none"), S(u"\\d")));
    EXPECT_FALSE(substring(S(u"text"), S(u"(")));
}

TEST(MatchesRegex, SearchesAnywhere) {
    EXPECT_TRUE(matches(S(u"abc123"), S(u"\\d+")));
    EXPECT_FALSE(matches(S(u"abc"), S(u"\\d+")));
    EXPECT_FALSE(matches(S(u"abc"), S(u"[")));
    EXPECT_FALSE(matches(S(u"ABC"), S(u"abc")));
}

// --- replacing ---------------------------------------------------------------------------------

TEST(BatchReplacing, EachInputGetsItsOwnReplacement) {
    EXPECT_EQ(batchReplacingOccurrences({S(u"a-x"), S(u"x-b-x")}, S(u"x"), {S(u"1"), S(u"2")}),
              (QStringList{S(u"a-1"), S(u"2-b-2")}));
}

TEST(BatchReplacing, FewerReplacementsThanInputsThrows) {
    try {
        batchReplacingOccurrences({S(u"a"), S(u"b")}, S(u"a"), {S(u"c")});
        FAIL();
    } catch (const StringReplacementError& error) {
        EXPECT_EQ(error.failureReason(), S(u"More input strings (2) given than replacement strings (1)."));
        EXPECT_EQ(error.inputCount(), 2);
        EXPECT_EQ(error.replacementCount(), 1);
        EXPECT_EQ(error.kind(), StringReplacementError::Kind::TooManyElements);
    }
    EXPECT_EQ(StringReplacementError(3, 2).failureReason(),
              S(u"More input strings (3) given than replacement strings (2)."));
}

TEST(BatchReplacing, ExtraReplacementsAreUnused) {
    EXPECT_EQ(batchReplacingOccurrences({S(u"ab")}, S(u"b"), {S(u"1"), S(u"2"), S(u"3")}),
              QStringList{S(u"a1")});
    EXPECT_TRUE(batchReplacingOccurrences({}, S(u"b"), {}).isEmpty());
}

TEST(BatchReplacing, OptionsAndRangeApplyToEveryInput) {
    EXPECT_EQ(batchReplacingOccurrences({S(u"xAx"), S(u"AaA")}, S(u"a"), {S(u"-"), S(u"+")},
                                        CompareOption::CaseInsensitive, TextRange{1, 2}),
              (QStringList{S(u"x-x"), S(u"A++")}));
    EXPECT_THROW(batchReplacingOccurrences({S(u"long enough"), S(u"short")}, S(u"o"), {S(u"0"), S(u"0")}, {},
                                           TextRange{0, 8}),
                 std::out_of_range);
}

TEST(ReplacingOccurrences, CanonicalEquivalenceUnlessLiteral) {
    const QString composed = S(u"caf\u00E9");
    const QString decomposed = S(u"cafe\u0301");
    EXPECT_EQ(replacingOccurrences(composed, decomposed, S(u"X")), S(u"X"));
    EXPECT_EQ(replacingOccurrences(composed, decomposed, S(u"X"), CompareOption::Literal), composed);
    // An "e" is not the start of an "é".
    EXPECT_EQ(replacingOccurrences(decomposed, S(u"e"), S(u"X")), decomposed);
    EXPECT_EQ(replacingOccurrences(decomposed, S(u"e"), S(u"X"), CompareOption::DiacriticInsensitive),
              S(u"cafX"));
}

TEST(ReplacingOccurrences, CaseAndWidth) {
    EXPECT_EQ(replacingOccurrences(S(u"Straße"), S(u"SS"), S(u"ss"), CompareOption::CaseInsensitive),
              S(u"Strasse"));
    EXPECT_EQ(replacingOccurrences(S(u"\uFF21\uFF22C"), S(u"AB"), S(u"x"), CompareOption::WidthInsensitive),
              S(u"xC"));
    EXPECT_EQ(replacingOccurrences(S(u"\uFF21\uFF22C"), S(u"AB"), S(u"x")), S(u"\uFF21\uFF22C"));
}

TEST(ReplacingOccurrences, DirectionAnchorAndEmptyTarget) {
    EXPECT_EQ(replacingOccurrences(S(u"aaa"), S(u"aa"), S(u"X")), S(u"Xa"));
    EXPECT_EQ(replacingOccurrences(S(u"aaa"), S(u"aa"), S(u"X"), CompareOption::Backwards), S(u"aX"));
    EXPECT_EQ(replacingOccurrences(S(u"abab"), S(u"ab"), S(u"X"), CompareOption::Anchored), S(u"Xab"));
    EXPECT_EQ(replacingOccurrences(S(u"xab"), S(u"ab"), S(u"X"), CompareOption::Anchored), S(u"xab"));
    EXPECT_EQ(replacingOccurrences(S(u"abab"), S(u"ab"), S(u"X"),
                                   CompareOption::Anchored | CompareOption::Backwards),
              S(u"abX"));
    EXPECT_EQ(replacingOccurrences(S(u"abc"), S(u""), S(u"X")), S(u"abc"));
}

TEST(ReplacingOccurrences, RegularExpressionTargets) {
    EXPECT_EQ(replacingOccurrences(S(u"a1b22"), S(u"(\\d+)"), S(u"<$1>"), CompareOption::RegularExpression),
              S(u"a<1>b<22>"));
    EXPECT_EQ(replacingOccurrences(S(u"AbA"), S(u"a"), S(u"-"),
                                   CompareOption::RegularExpression | CompareOption::CaseInsensitive),
              S(u"-b-"));
    EXPECT_EQ(replacingOccurrences(S(u"abc"), S(u"("), S(u"x"), CompareOption::RegularExpression), S(u"abc"));
}
