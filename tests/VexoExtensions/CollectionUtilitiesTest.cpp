#include "VexoExtensions/CollectionUtilities.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>
#include <limits>

using namespace brisquel::vexo;

TEST(SafeSubscript, OutOfRangeIsNone) {
    const std::vector<int> three{10, 20, 30};
    EXPECT_FALSE(safeAt(three, -1));
    EXPECT_FALSE(safeAt(three, 3));
    EXPECT_EQ(safeAt(three, 2), 30);
    EXPECT_EQ(safeAt(three, 0), 10);
    EXPECT_FALSE(safeAt(std::vector<int>{}, 0));
    const QList<QString> names{QStringLiteral("a")};
    EXPECT_EQ(safeAt(names, 0), QStringLiteral("a"));
    EXPECT_FALSE(safeAt(names, std::numeric_limits<std::ptrdiff_t>::min()));
}

TEST(IndexChecks, ValidLastAndFirst) {
    const std::vector<int> three{1, 2, 3};
    EXPECT_TRUE(isValidIndex(three, 0));
    EXPECT_TRUE(isValidIndex(three, 2));
    EXPECT_FALSE(isValidIndex(three, 3));
    EXPECT_FALSE(isValidIndex(three, -1));
    EXPECT_TRUE(isLastIndex(three, 5, true));
    EXPECT_FALSE(isLastIndex(three, 5, false));
    EXPECT_TRUE(isLastIndex(three, 2, false));
    EXPECT_FALSE(isLastIndex(three, 1, true));
    EXPECT_TRUE(isFirstIndex(three, -1, true));
    EXPECT_FALSE(isFirstIndex(three, -1, false));
    EXPECT_TRUE(isFirstIndex(three, 0, false));
    EXPECT_FALSE(isFirstIndex(three, 1, true));
    // The largest index does not overflow.
    EXPECT_TRUE(isLastIndex(three, std::numeric_limits<std::ptrdiff_t>::max(), true));
    EXPECT_FALSE(isLastIndex(three, std::numeric_limits<std::ptrdiff_t>::max(), false));
    EXPECT_TRUE(isLastIndex(std::vector<int>{}, -1, false));
}

TEST(OrderedSort, UnknownElementsAtTheEndOrTheStart) {
    const std::vector<char> items{'c', 'x', 'a'};
    const std::vector<char> order{'a', 'b', 'c'};
    EXPECT_EQ(sortedBy(items, order, false), (std::vector<char>{'a', 'c', 'x'}));
    EXPECT_EQ(sortedBy(items, order, true), (std::vector<char>{'x', 'a', 'c'}));
}

TEST(OrderedSort, UnknownKeyIsTheArraysLength) {
    // x is missing (key 2, the array's length); e is at position 4 of the order list.
    EXPECT_EQ(sortedBy(std::vector<char>{'e', 'x'}, std::vector<char>{'a', 'b', 'c', 'd', 'e'}, false),
              (std::vector<char>{'x', 'e'}));
}

TEST(OrderedSort, StableAndInPlace) {
    QList<QString> names{QStringLiteral("y2"), QStringLiteral("b"), QStringLiteral("y1"),
                         QStringLiteral("a")};
    sortBy(names, QList<QString>{QStringLiteral("a"), QStringLiteral("b")}, true);
    EXPECT_EQ(names, (QList<QString>{QStringLiteral("y2"), QStringLiteral("y1"), QStringLiteral("a"),
                                     QStringLiteral("b")}));
    // The first occurrence in the order list decides.
    EXPECT_EQ(sortedBy(std::vector<int>{2, 1}, {1, 2, 1}, false), (std::vector<int>{1, 2}));
    EXPECT_TRUE(sortedBy(std::vector<int>{}, {1}, false).empty());
}

TEST(MinMaxRange, SmallestAndLargest) {
    EXPECT_EQ(range(std::vector<int>{3, 1, 2}), (MinMax<int>{1, 3}));
    EXPECT_FALSE(range(std::vector<int>{}));
    EXPECT_EQ(range(QList<double>{2.5}), (MinMax<double>{2.5, 2.5}));
}

TEST(Compacted, KeepsPresentValuesInOrder) {
    const std::vector<std::optional<QString>> values{QStringLiteral("first"), std::nullopt,
                                                     QStringLiteral("third")};
    EXPECT_EQ(compacted(values), (std::vector<QString>{QStringLiteral("first"), QStringLiteral("third")}));
    EXPECT_TRUE(compacted(std::vector<std::optional<int>>{std::nullopt}).empty());
    int one = 1;
    const std::vector<int*> pointers{&one, nullptr};
    EXPECT_EQ(compacted(pointers), std::vector<int>{1});
}
