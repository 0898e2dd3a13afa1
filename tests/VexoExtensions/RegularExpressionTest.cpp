#include "VexoExtensions/RegularExpression.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

TEST(RegularExpression, InvalidPatternThrowsOrGivesNone) {
    EXPECT_THROW(RegularExpression(QStringLiteral("(unclosed")), RegularExpressionError);
    EXPECT_FALSE(RegularExpression::make(QStringLiteral("[z-a]")));
    try {
        RegularExpression(QStringLiteral("a(b"));
        FAIL();
    } catch (const RegularExpressionError& error) {
        EXPECT_EQ(error.pattern(), QStringLiteral("a(b"));
        EXPECT_NE(std::string(error.what()).find("a(b"), std::string::npos);
    }
}

TEST(RegularExpression, PositionsAreUtf16Offsets) {
    // The emoji takes two UTF-16 code units, so "x" is at offset 3.
    const QString text = QStringLiteral(u"a\U0001F600x");
    const RegularExpression x(QStringLiteral("x"));
    const auto match = x.firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range(), (TextRange{3, 1}));
    EXPECT_EQ(text.mid(match->range().location, 1), QStringLiteral("x"));
}

TEST(RegularExpression, MatchesAreAllInOrder) {
    const RegularExpression digits(QStringLiteral("\\d+"));
    const auto found = digits.matches(QStringLiteral("a1bb22ccc333"));
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].range(), (TextRange{1, 1}));
    EXPECT_EQ(found[1].range(), (TextRange{4, 2}));
    EXPECT_EQ(found[2].range(), (TextRange{9, 3}));
    EXPECT_TRUE(digits.matches(QStringLiteral("none")).isEmpty());
    EXPECT_FALSE(digits.firstMatch(QStringLiteral("none")));
}

TEST(RegularExpression, OptionsChangeMatching) {
    EXPECT_FALSE(RegularExpression(QStringLiteral("abc")).firstMatch(QStringLiteral("ABC")));
    EXPECT_TRUE(RegularExpression(QStringLiteral("abc"), RegularExpression::Option::CaseInsensitive)
                    .firstMatch(QStringLiteral("ABC")));
    EXPECT_TRUE(RegularExpression(QStringLiteral("a.c"), RegularExpression::Option::IgnoreMetacharacters)
                    .firstMatch(QStringLiteral("xa.c")));
    EXPECT_FALSE(RegularExpression(QStringLiteral("a.c"), RegularExpression::Option::IgnoreMetacharacters)
                     .firstMatch(QStringLiteral("abc")));
    EXPECT_TRUE(RegularExpression(QStringLiteral("^b$"), RegularExpression::Option::AnchorsMatchLines)
                    .firstMatch(QStringLiteral("a\nb\nc")));
}

TEST(TextCheckingResultGroups, GroupThatTookNoPartIsNone) {
    const QString text = QStringLiteral("b");
    const RegularExpression expression(QStringLiteral("(a)?(b)"));
    const auto match = expression.firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->numberOfRanges(), 3);
    EXPECT_FALSE(match->matchedString(1, text));
    EXPECT_EQ(match->matchedString(2, text), QStringLiteral("b"));
    EXPECT_EQ(match->matchedString(0, text), QStringLiteral("b"));
    EXPECT_THROW(match->matchedString(3, text), std::out_of_range);
}

TEST(TextCheckingResultGroups, NamedGroups) {
    const QString text = QStringLiteral("2024-05");
    const RegularExpression expression(QStringLiteral("(?<year>\\d{4})-(?<month>\\d{2})"));
    const auto match = expression.firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->matchedString(QStringLiteral("year"), text), QStringLiteral("2024"));
    EXPECT_EQ(match->matchedString(QStringLiteral("month"), text), QStringLiteral("05"));
    EXPECT_THROW(match->matchedString(QStringLiteral("day"), text), std::invalid_argument);
}

TEST(TextCheckingResultGroups, RangeOutsideOrInsideACharacterOfAnotherTextIsNone) {
    const RegularExpression expression(QStringLiteral("(bc)"));
    const auto match = expression.firstMatch(QStringLiteral("abcd"));
    ASSERT_TRUE(match);
    EXPECT_FALSE(match->matchedString(1, QStringLiteral("ab")));            // past the end
    EXPECT_FALSE(match->matchedString(1, QStringLiteral(u"\U0001F600cd"))); // splits a surrogate pair
    EXPECT_EQ(match->matchedString(1, QStringLiteral("xyzw")), QStringLiteral("yz")); // positions, not text
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
