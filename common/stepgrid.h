// The time grid of a series: steps of `dt` minutes from a start time that
// restart at minute 0 after every hour, over years of 365 days, 366 when
// the year is divisible by 4. ionoscan lays it over its soundings; ptfit
// counts the steps of its window on it. Every part of a grid point is a
// 32-bit real, as the step rule adds them.
#pragma once

#include <cstdint>

namespace textio {

// Days of `year`: 366 when it is divisible by 4, else 365. No century
// rule: series carry two-digit years, so 00 is a leap year.
constexpr int32_t year_length(int32_t year) {
  return year % 4 == 0 ? 366 : 365;
}

// The longest step the grid knows, in minutes: it restarts at minute 0
// after every hour, so a longer step would still give each hour one step
// while the series named them by the longer one.
inline constexpr int32_t kMaxStepMinutes = 60;

// One point of the grid and the length of its year.
struct GridPoint {
  float year = 0, day = 0, hour = 0, minute = 0;
  int32_t ly = 365;  // days of the year `year`
  friend bool operator==(const GridPoint&, const GridPoint&) = default;
};

// The grid point of (year, day, hour, minute).
GridPoint grid_start(int32_t year, int32_t day, int32_t hour, int32_t minute);

// Advances `p` by one step of `dt` minutes: a minute above 60 - dt goes to
// minute 0 of the next hour, hour 24 to the next day, a day past the
// year's length to day 1 of the next year.
void grid_advance(GridPoint& p, float dt);

}  // namespace textio
