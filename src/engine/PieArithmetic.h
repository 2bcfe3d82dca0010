// Byte counts as shares of a whole: whole percents for labels and gauges,
// degrees for pie sections.
#pragma once

#include <cstdint>

// part * 100 / total, truncated towards zero; 0 when total is 0.
int PercentOf(std::int64_t total, std::int64_t part);

// part * 360 / total in degrees. An empty whole is a full circle when the
// part is empty too, and nothing otherwise.
double AngleOf(std::int64_t total, std::int64_t part);
