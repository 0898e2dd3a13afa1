#include "VexoExtensions/CollectionUtilities.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>

using namespace brisquel::vexo;

constexpr std::ptrdiff_t kLargest = std::numeric_limits<std::ptrdiff_t>::max();
constexpr std::ptrdiff_t kSmallest = std::numeric_limits<std::ptrdiff_t>::min();

// Each index of a three-element list: a value or none, valid, last or greater, last exactly, first
// or less, first exactly; without overflow at either end.
TEST(IndexChecks, ValidLastAndFirstWithoutOverflow) {
    const std::vector<int> three{1, 2, 3};
    const std::vector<std::array<std::ptrdiff_t, 6>> cases = {
        {-1, false, false, false, true, false},       {0, true, false, false, true, true},
        {1, true, false, false, false, false},        {2, true, true, true, false, false},
        {3, false, true, false, false, false},        {kLargest, false, true, false, false, false},
        {kSmallest, false, false, false, true, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(safeAt(three, c[0]),
                  c[1] != 0 ? std::optional(three[static_cast<size_t>(c[0])]) : std::nullopt)
            << c[0];
        EXPECT_EQ(isValidIndex(three, c[0]), c[1] != 0) << c[0];
        EXPECT_EQ(isLastIndex(three, c[0], true), c[2] != 0) << c[0];
        EXPECT_EQ(isLastIndex(three, c[0], false), c[3] != 0) << c[0];
        EXPECT_EQ(isFirstIndex(three, c[0], true), c[4] != 0) << c[0];
        EXPECT_EQ(isFirstIndex(three, c[0], false), c[5] != 0) << c[0];
    }
    EXPECT_TRUE(isLastIndex(std::vector<int>{}, -1, false));
}
