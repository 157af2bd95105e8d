// The step grid of the data window: step numbers against the walk step by
// step, and the hours since the window start.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "getdata.h"

namespace ptfit {
namespace {

TimeGrid grid(int y, int d, int h, int m, float step) {
  TimeGrid g;
  g.year1 = y;
  g.day1 = d;
  g.hour1 = h;
  g.minute1 = m;
  g.timestep = step;
  return g;
}

TEST(Itime, GridRestartsAtMinuteZeroAfterEachHour) {
  TimeGrid g = grid(13, 100, 10, 3, 15);
  EXPECT_EQ(itime(g, 13, 100, 10, 3), 1);
  EXPECT_EQ(itime(g, 13, 100, 10, 18), 2);
  EXPECT_EQ(itime(g, 13, 100, 10, 33), 3);
  EXPECT_EQ(itime(g, 13, 100, 10, 48), 0);  // 33 + 15 > 60 - 15
  EXPECT_EQ(itime(g, 13, 100, 11, 0), 4);
  EXPECT_EQ(itime(g, 13, 100, 11, 45), 7);
  EXPECT_EQ(itime(g, 13, 101, 0, 0), 4 + 13 * 4);
}

TEST(Itime, YearEndsByDivisibilityByFour) {
  TimeGrid plain = grid(13, 365, 23, 55, 5);
  EXPECT_EQ(itime(plain, 14, 1, 0, 0), 2);
  EXPECT_EQ(plain.ly, 365);
  EXPECT_EQ(itime(plain, 13, 366, 0, 0), 0);

  TimeGrid leap = grid(12, 365, 23, 55, 5);
  EXPECT_EQ(itime(leap, 12, 366, 0, 0), 2);
  EXPECT_EQ(itime(leap, 13, 1, 0, 0), 2 + 24 * 12);
  EXPECT_EQ(leap.ly, 365);  // the length of the year reached
  // A century is a leap year too.
  TimeGrid century = grid(100, 366, 23, 55, 5);
  EXPECT_EQ(itime(century, 101, 1, 0, 0), 2);
}

TEST(Itime, CountDoesNotDependOnEarlierCounts) {
  TimeGrid g = grid(12, 366, 23, 0, 30);
  const int32_t late = itime(g, 13, 2, 0, 0);
  EXPECT_EQ(itime(g, 12, 366, 23, 30), 2);
  EXPECT_EQ(itime(g, 13, 2, 0, 0), late);
  EXPECT_EQ(late, 3 + 48);
}

TEST(Itime, TimesOnNoStepGiveZero) {
  TimeGrid g = grid(13, 100, 10, 0, 15);
  EXPECT_EQ(itime(g, 13, 100, 9, 45), 0);  // before the start
  EXPECT_EQ(itime(g, 12, 300, 10, 0), 0);  // an earlier year
  EXPECT_EQ(itime(g, 13, 100, 10, 7), 0);  // between two steps
  EXPECT_EQ(itime(g, 13, 100, 24, 0), 0);  // no such hour
  EXPECT_EQ(itime(g, 0, 0, 0, 0), 0);      // a step without a sounding
  for (float bad : {0.0f, -5.0f, NAN, INFINITY, 1e-9f}) {
    TimeGrid b = grid(13, 100, 10, 0, bad);
    EXPECT_EQ(itime(b, 13, 100, 11, 0), 0) << bad;
  }
  // A fractional step: the minute is compared truncated.
  TimeGrid half = grid(13, 100, 10, 0, 7.5f);
  EXPECT_EQ(itime(half, 13, 100, 10, 7), 2);
  EXPECT_EQ(itime(half, 13, 100, 10, 8), 0);
}

TEST(Itime, SkippingWholeHoursAgreesWithTheStepByStepWalk) {
  std::mt19937 gen(5);
  auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(gen);
  };
  const float steps[] = {
      1, 2.5f, 5, 7.5f, 10, 15, 20, 30, 45, 60, 90, 0.7f, 13.3f, 59, 61};
  for (int n = 0; n < 6000; ++n) {
    // Starts near a year end (some leap), a few out of the calendar.
    TimeGrid g = grid(pick(11, 13),
                      pick(0, 6) == 0 ? pick(-1, 400) : pick(362, 366),
                      pick(0, 20) == 0 ? pick(-2, 30) : pick(0, 23),
                      pick(0, 20) == 0 ? pick(-5, 70) : pick(0, 59),
                      steps[pick(0, 14)]);
    int y = g.year1 + pick(-1, 1) * (pick(0, 3) == 0);
    int d = pick(0, 4) == 0 ? pick(1, 3) : g.day1 + pick(-1, 2);
    if (n % 10 == 0) {  // whole years between: a coarser step
      g.timestep = steps[pick(2, 10)];
      y = g.year1 + pick(1, 3);
      d = pick(0, 367);
    }
    const int h = pick(0, 24), m = pick(0, 60);
    TimeGrid fast = g, plain = g;
    ASSERT_EQ(itime(fast, y, d, h, m), itime_plain(plain, y, d, h, m))
        << g.year1 << " " << g.day1 << " " << g.hour1 << " " << g.minute1
        << " step " << g.timestep << " -> " << y << " " << d << " " << h << " "
        << m;
    ASSERT_EQ(fast.ly, plain.ly);
  }
}

TEST(Time, ClosedFormsAndAcrossTheYearEnd) {
  TimeGrid g = grid(13, 100, 10, 20, 5);
  EXPECT_EQ(ptfit::time(g, 13, 100, 10, 50), 30.0f / 60.0f);
  EXPECT_EQ(ptfit::time(g, 13, 100, 12, 5),
            (2.0f - 1.0f) + (40.0f / 60.0f + 5.0f / 60.0f));
  EXPECT_EQ(ptfit::time(g, 13, 102, 1, 0),
            24.0f * 1 + (40.0f / 60.0f + 0.0f + 13.0f + 1.0f));
  TimeGrid end = grid(13, 365, 23, 55, 5);
  EXPECT_NEAR(ptfit::time(end, 14, 1, 0, 0), 5.0 / 60, 1e-6);
  TimeGrid leap = grid(12, 366, 0, 0, 5);
  EXPECT_NEAR(ptfit::time(leap, 13, 1, 0, 0), 24.0, 1e-6);
  EXPECT_NEAR(ptfit::time(g, 13, 100, 9, 20), -1.0, 1e-6);
}

}  // namespace
}  // namespace ptfit
