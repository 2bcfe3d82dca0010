// Shares of a whole.
#include "engine/PieArithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(PieArithmetic, PercentIsTruncatedAndZeroOfNothing) {
    EXPECT_EQ(PercentOf(0, 0), 0);
    EXPECT_EQ(PercentOf(0, 12345), 0);
    EXPECT_EQ(PercentOf(1000, 999), 99);
    EXPECT_EQ(PercentOf(3, 2), 66);
    EXPECT_EQ(PercentOf(3, 3), 100);
    EXPECT_EQ(PercentOf(-3, 2), -66); // towards zero, not down
    // Sizes beyond 32 bits.
    EXPECT_EQ(PercentOf(std::int64_t(1) << 40, std::int64_t(1) << 38), 25);
    // A part far beyond the whole saturates instead of wrapping.
    EXPECT_EQ(PercentOf(1, std::int64_t(1) << 50), std::numeric_limits<int>::max());
}

TEST(PieArithmetic, AngleOfAnEmptyWholeIsFullOnlyForAnEmptyPart) {
    EXPECT_DOUBLE_EQ(AngleOf(0, 0), 360.0);
    EXPECT_DOUBLE_EQ(AngleOf(0, 5), 0.0);
    EXPECT_DOUBLE_EQ(AngleOf(4, 1), 90.0);
    EXPECT_DOUBLE_EQ(AngleOf(3, 1), 120.0);
    EXPECT_DOUBLE_EQ(AngleOf(std::int64_t(1) << 42, std::int64_t(1) << 41), 180.0);
}

} // namespace
