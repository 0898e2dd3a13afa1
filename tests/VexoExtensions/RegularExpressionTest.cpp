#include "VexoExtensions/RegularExpression.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

TEST(RegularExpression, InvalidPatternThrowsNamingItOrGivesNone) {
    EXPECT_FALSE(RegularExpression::make(QStringLiteral("[z-a]")));
    try {
        RegularExpression(QStringLiteral("a(b"));
        FAIL();
    } catch (const RegularExpressionError& error) {
        EXPECT_NE(std::string(error.what()).find("a(b"), std::string::npos);
    }
}

TEST(RegularExpression, MatchesAreAllInOrderAtUtf16Offsets) {
    const RegularExpression digits(QStringLiteral("\\d+"));
    const auto found = digits.matches(QStringLiteral(u"a1\U0001F60022ccc333")); // the emoji is two units
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].range(), (TextRange{1, 1}));
    EXPECT_EQ(found[1].range(), (TextRange{4, 2}));
    EXPECT_EQ(found[2].range(), (TextRange{9, 3}));
    EXPECT_FALSE(digits.firstMatch(QStringLiteral("none")));
}

TEST(RegularExpression, OptionsChangeMatching) {
    using O = RegularExpression::Option;
    const std::vector<std::tuple<const char*, RegularExpression::Options, const char*, bool>> cases = {
        {"abc", {}, "ABC", false},
        {"abc", O::CaseInsensitive, "ABC", true},
        {"a.c", O::IgnoreMetacharacters, "xa.c", true},
        {"a.c", O::IgnoreMetacharacters, "abc", false},
        {"^b$", {}, "a\nb\nc", false},
        {"^b$", O::AnchorsMatchLines, "a\nb\nc", true},
    };
    for (const auto& [pattern, options, text, found] : cases) {
        const RegularExpression expression(QString::fromUtf8(pattern), options);
        EXPECT_EQ(expression.firstMatch(QString::fromUtf8(text)).has_value(), found)
            << pattern << " in " << text;
    }
}

TEST(TextCheckingResultGroups, NumberedAndNamedGroups) {
    const QString text = QStringLiteral("b");
    const auto match = RegularExpression(QStringLiteral("(a)?(b)")).firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->numberOfRanges(), 3);
    EXPECT_FALSE(match->matchedString(1, text));
    EXPECT_EQ(match->matchedString(2, text), QStringLiteral("b"));
    EXPECT_THROW(match->matchedString(3, text), std::out_of_range);
    const QString date = QStringLiteral("2024-05");
    const auto named = RegularExpression(QStringLiteral("(?<year>\\d{4})-(?<month>\\d{2})")).firstMatch(date);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->matchedString(QStringLiteral("month"), date), QStringLiteral("05"));
    EXPECT_THROW(named->matchedString(QStringLiteral("day"), date), std::invalid_argument);
    // Ranges are UTF-16 positions in the text given, which may be another.
    EXPECT_EQ(named->matchedString(2, QStringLiteral("abcdefg")), QStringLiteral("fg"));
    EXPECT_FALSE(named->matchedString(2, QStringLiteral("abcdef")));           // past the end
    EXPECT_FALSE(named->matchedString(2, QStringLiteral(u"abcd\U0001F600x"))); // splits a surrogate pair
}

TEST(RegularExpressionReplacing, TemplateAndRange) {
    const RegularExpression expression(QStringLiteral("(\\w)(\\d)"));
    EXPECT_EQ(expression.replacingMatches(QStringLiteral("a1 b2 c3"), QStringLiteral("$2$1")),
              QStringLiteral("1a 2b 3c"));
    EXPECT_EQ(
        expression.replacingMatches(QStringLiteral("a1 b2 c3"), QStringLiteral("<$0>"), TextRange{3, 2}),
        QStringLiteral("a1 <b2> c3"));
    EXPECT_EQ(
        expression.replacingMatches(QStringLiteral("a1 b2"), QStringLiteral("X"), TextRange{0, 5}, true),
        QStringLiteral("X b2"));
    EXPECT_EQ(expression.replacingMatches(QStringLiteral(" a1"), QStringLiteral("X"), std::nullopt, true),
              QStringLiteral(" a1"));
    EXPECT_THROW(expression.replacingMatches(QStringLiteral("a1"), QStringLiteral("$7")),
                 std::invalid_argument);
    EXPECT_THROW(expression.replacingMatches(QStringLiteral("a1"), QStringLiteral("x"), TextRange{1, 5}),
                 std::out_of_range);
}
