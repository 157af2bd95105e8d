// The time grid: known grids, and the single walk against a plain walk
// from the start for every time, on random grids.
#include "timegrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace ionoscan {
namespace {

// The walk as the extractor describes it, from the start for one time,
// given up after `limit` steps (returns 0 then).
int32_t plain_walk(GridTime s, float dt, GridTime t, int32_t limit) {
  float ty = s.year, td = s.day, th = s.hour, tm = s.minute;
  int32_t L = s.year % 4 == 0 ? 366 : 365;
  int32_t n = 1;
  while (t.year != static_cast<int32_t>(ty) ||
         t.day != static_cast<int32_t>(td) ||
         t.hour != static_cast<int32_t>(th) ||
         t.minute != static_cast<int32_t>(tm)) {
    tm = tm + dt;
    if (tm > 60 - dt) {
      tm = 0;
      th = th + 1;
    }
    if (th > 23) {
      th = 0;
      td = td + 1;
    }
    if (td > L) {
      td = 1;
      ty = ty + 1;
      L = static_cast<int32_t>(ty) % 4 == 0 ? 366 : 365;
    }
    n = n + 1;
    if (n > limit) return 0;
  }
  return n;
}

constexpr int32_t kLimit = 1'000'000;

TEST(TimeGrid, YearEndOfALeapYear) {
  const GridTime start{4, 366, 23, 50};
  EXPECT_EQ(itime(start, 10, start, kLimit), 1);
  EXPECT_EQ(itime(start, 10, {5, 1, 0, 0}, kLimit), 2);
  EXPECT_EQ(itime(start, 10, {5, 1, 0, 10}, kLimit), 3);
  // Day 366 exists only in leap years: from 2005 it runs on to 2006.
  EXPECT_EQ(itime({5, 365, 23, 0}, 60, {6, 1, 0, 0}, kLimit), 2);
  EXPECT_EQ(itime({5, 365, 23, 0}, 60, {5, 366, 0, 0}, kLimit), 0);
}

TEST(TimeGrid, MinuteZeroRestartsTheGridAfterTheFirstHour) {
  // From 10:03 by 15: 10:18, 10:33, then 48 > 60 - 15 gives 11:00.
  const GridTime start{4, 10, 10, 3};
  EXPECT_EQ(itime(start, 15, {4, 10, 10, 18}, kLimit), 2);
  EXPECT_EQ(itime(start, 15, {4, 10, 10, 33}, kLimit), 3);
  EXPECT_EQ(itime(start, 15, {4, 10, 10, 48}, kLimit), 0);
  EXPECT_EQ(itime(start, 15, {4, 10, 11, 0}, kLimit), 4);
  EXPECT_EQ(itime(start, 15, {4, 10, 11, 15}, kLimit), 5);
  EXPECT_EQ(itime(start, 15, {4, 10, 11, 3}, kLimit), 0);
  // dt = 7: minutes 0, 7, ..., 49, then 0 of the next hour.
  EXPECT_EQ(itime({4, 10, 10, 0}, 7, {4, 10, 10, 49}, kLimit), 8);
  EXPECT_EQ(itime({4, 10, 10, 0}, 7, {4, 10, 11, 0}, kLimit), 9);
  EXPECT_EQ(itime({4, 10, 10, 0}, 7, {4, 10, 10, 56}, kLimit), 0);
}

TEST(TimeGrid, LongAndFractionalSteps) {
  // Above 30 minutes one step per hour; 30 gives minutes 0 and 30.
  EXPECT_EQ(itime({4, 10, 10, 0}, 31, {4, 10, 11, 0}, kLimit), 2);
  EXPECT_EQ(itime({4, 10, 10, 0}, 31, {4, 10, 10, 31}, kLimit), 0);
  EXPECT_EQ(itime({4, 10, 10, 0}, 30, {4, 10, 10, 30}, kLimit), 2);
  EXPECT_EQ(itime({4, 10, 10, 0}, 30, {4, 10, 11, 0}, kLimit), 3);
  // 2.5 minutes: 0, 2, 5, 7, 10, ...; minute 1 is on no step.
  EXPECT_EQ(itime({4, 10, 10, 0}, 2.5f, {4, 10, 10, 2}, kLimit), 2);
  EXPECT_EQ(itime({4, 10, 10, 0}, 2.5f, {4, 10, 10, 7}, kLimit), 4);
  EXPECT_EQ(itime({4, 10, 10, 0}, 2.5f, {4, 10, 10, 1}, kLimit), 0);
  // Half a minute: two steps share each minute; the first one counts.
  EXPECT_EQ(itime({4, 10, 10, 0}, 0.5f, {4, 10, 10, 1}, kLimit), 3);
}

TEST(TimeGrid, WalkThatCannotMoveOnOrRunsTooLongIsReported) {
  const GridTime start{4, 10, 10, 30};
  const GridTime t[] = {{4, 10, 11, 0}};
  EXPECT_EQ(place_on_grid(start, 1e-7f, t, kLimit).status,
            GridStatus::kStalled);
  const Placement p = place_on_grid(start, 1, t, 10);
  EXPECT_EQ(p.status, GridStatus::kTooLong);
  EXPECT_EQ(p.index[0], 0);
}

TEST(TimeGrid, SingleWalkAgreesWithAWalkPerTimeOnRandomGrids) {
  std::mt19937 rng(20260412);
  const float dts[] = {
      1, 2.5f, 5, 7, 10, 13.3f, 15, 29.9f, 30, 31, 45, 90, 0.75f};
  for (int trial = 0; trial < 60; ++trial) {
    std::uniform_int_distribution<int> year(0, 98), day(1, 366), hour(0, 23),
        minute(0, 59);
    const float dt = dts[trial % std::size(dts)];
    const GridTime start{year(rng), day(rng), hour(rng), minute(rng)};
    // Times from the grid itself (some listed twice) and near misses.
    std::vector<GridTime> times;
    GridPoint p = grid_start(start);
    const int steps = 3000;
    for (int k = 0; k < steps; ++k) {
      const GridTime g = grid_time(p);
      if (rng() % 7 == 0) times.push_back(g);
      if (rng() % 11 == 0) {
        GridTime miss = g;
        miss.minute += 1 + static_cast<int>(rng() % 3);
        times.push_back(miss);
      }
      grid_advance(p, dt);
    }
    std::shuffle(times.begin(), times.end(), rng);
    times.push_back(times.front());
    const Placement pl = place_on_grid(start, dt, times, kLimit);
    ASSERT_EQ(pl.status, GridStatus::kOk);
    for (size_t k = 0; k < times.size(); ++k) {
      const GridTime& t = times[k];
      ASSERT_EQ(pl.index[k], plain_walk(start, dt, t, steps + 10))
          << "dt " << dt << " start " << start.year << "/" << start.day << " "
          << start.hour << ":" << start.minute << " time " << t.year << "/"
          << t.day << " " << t.hour << ":" << t.minute;
    }
  }
}

}  // namespace
}  // namespace ionoscan
