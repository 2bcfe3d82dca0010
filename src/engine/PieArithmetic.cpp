// Byte counts as shares of a whole.
#include "engine/PieArithmetic.h"

#include <cmath>
#include <limits>

int PercentOf(std::int64_t total, std::int64_t part) {
    if (total == 0)
        return 0;
    const double percent = std::trunc(double(part) * 100.0 / double(total));
    // A part many times the total must not overflow into a wrong sign.
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (percent < lowest)
        return std::numeric_limits<int>::min();
    if (percent > highest)
        return std::numeric_limits<int>::max();
    return int(percent);
}

double AngleOf(std::int64_t total, std::int64_t part) {
    if (total == 0)
        return part == 0 ? 360.0 : 0.0;
    return double(part) * 360.0 / double(total);
}
