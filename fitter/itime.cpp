// The step grid of the data window: the step number of a time (`itime`,
// and `itime_plain`, the step-by-step walk it agrees with) and the hours
// since the window start (`time`).
#include <cmath>
#include <limits>

#include "getdata.h"
#include "stepgrid.h"

namespace ptfit {

namespace {

// The step count's running time: a point of the series grid and its step
// number.
struct Walk {
  textio::GridPoint p;
  int64_t count;
};

enum class Found { kMet, kPassed, kNext, kStall };

// Compares the running time with the target (components truncated) and,
// when it is neither met nor passed, advances it by one step.
Found walk_step(Walk& w,
                float ts,
                int32_t year,
                int32_t day,
                int32_t hour,
                int32_t minute) {
  const int32_t ry = static_cast<int32_t>(w.p.year);
  const int32_t rd = static_cast<int32_t>(w.p.day);
  const int32_t rh = static_cast<int32_t>(w.p.hour);
  const int32_t rm = static_cast<int32_t>(w.p.minute);
  if (ry == year && rd == day && rh == hour && rm == minute) {
    return Found::kMet;
  }
  // The running time only grows: once it is past the target (as an ordered
  // tuple), the target is on no step.
  const bool passed =
      ry > year ||
      (ry == year &&
       (rd > day || (rd == day && (rh > hour || (rh == hour && rm > minute)))));
  if (passed) return Found::kPassed;
  if (w.p.minute + ts == w.p.minute) return Found::kStall;  // too small a step
  textio::grid_advance(w.p, ts);
  w.count = w.count + 1;
  return Found::kNext;
}

constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

bool valid_step(float ts) { return ts > 0 && std::isfinite(ts); }

Walk walk_start(const TimeGrid& g) {
  return {textio::grid_start(g.year1, g.day1, g.hour1, g.minute1), 1};
}

// Walks step by step until the target is met (its step number), passed or
// the clock stalls (0), or `stop_at_hour_start` is set and the walk has
// reached minute 0 of a later hour (-1, `w` left there).
int64_t walk_until(Walk& w,
                   float ts,
                   int32_t year,
                   int32_t day,
                   int32_t hour,
                   int32_t minute,
                   bool stop_at_hour_start) {
  const float h0 = w.p.hour, d0 = w.p.day, y0 = w.p.year;
  while (w.count < kMaxCount) {
    if (stop_at_hour_start && w.p.minute == 0.0f &&
        (w.p.hour != h0 || w.p.day != d0 || w.p.year != y0)) {
      return -1;
    }
    switch (walk_step(w, ts, year, day, hour, minute)) {
      case Found::kMet:
        return w.count;
      case Found::kPassed:
      case Found::kStall:
        return 0;
      case Found::kNext:
        break;
    }
  }
  return 0;
}

// Grid points in an hour after the first (minutes 0, ts, 2 ts, ... up to
// 60 - ts); 0 when adding ts leaves a minute unchanged (a stalling clock,
// left to the plain walk).
int64_t steps_per_hour(float ts) {
  int64_t k = 1;
  for (float m = 0.0f;; ++k) {
    const float next = m + ts;
    if (next == m) return 0;
    m = next;
    if (m > 60.0f - ts) return k;
  }
}

// Moves the walk `w`, standing at minute 0 of an hour, forward by whole
// years, days and hours of k steps each hour, up to the target's hour
// (year, day, hour) or until the count reaches kMaxCount.
void skip_hours(Walk& w, int64_t k, int32_t year, int32_t day, int32_t hour) {
  int32_t y = static_cast<int32_t>(w.p.year), d = static_cast<int32_t>(w.p.day),
          h = static_cast<int32_t>(w.p.hour);
  int32_t& ly = w.p.ly;
  auto next_year = [&] {
    y = y + 1;
    ly = textio::year_length(y);
  };
  auto next_day = [&] {
    d = d + 1;
    if (d > ly) {
      d = 1;
      next_year();
    }
  };
  auto before = [&](int32_t ty, int32_t td, int32_t th) {
    return ty < year || (ty == year && (td < day || (td == day && th < hour)));
  };
  while (w.count < kMaxCount && before(y, d, h)) {
    if (h == 0 && d == 1 && y < year) {
      w.count += k * 24 * ly;  // a whole year before the target's
      next_year();
    } else if (h == 0 && (y < year || d < day)) {
      w.count += k * 24;  // a whole day before the target's
      next_day();
    } else {
      w.count += k;  // an hour before the target's
      h = h + 1;
      if (h > 23) {
        h = 0;
        next_day();
      }
    }
  }
  w.p.year = static_cast<float>(y);
  w.p.day = static_cast<float>(d);
  w.p.hour = static_cast<float>(h);
}

}  // namespace

int32_t itime_plain(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute) {
  g.ly = textio::year_length(g.year1);
  if (!valid_step(g.timestep)) return 0;
  Walk w = walk_start(g);
  const int64_t n = walk_until(w, g.timestep, year, day, hour, minute, false);
  g.ly = w.p.ly;
  return static_cast<int32_t>(n);
}

int32_t itime(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute) {
  g.ly = textio::year_length(g.year1);
  const float ts = g.timestep;
  if (!valid_step(ts)) return 0;
  // Every hour after the first has the same minutes (0, ts, 2 ts, ...), so
  // the walk skips whole years, days and hours that lie before the target's
  // hour, counting k steps per hour, and walks step by step only in the
  // first hour and in the target's hour. The result is the plain walk's.
  Walk w = walk_start(g);
  int64_t n = walk_until(w, ts, year, day, hour, minute, true);
  if (n < 0) {
    const int64_t k = steps_per_hour(ts);
    if (k == 0) return itime_plain(g, year, day, hour, minute);
    skip_hours(w, k, year, day, hour);
    n = w.count < kMaxCount ? walk_until(w, ts, year, day, hour, minute, false)
                            : 0;
  }
  g.ly = w.p.ly;
  return static_cast<int32_t>(n);
}

float time(const TimeGrid& g,
           int32_t year,
           int32_t day,
           int32_t hour,
           int32_t minute) {
  const float m = static_cast<float>(minute);
  const float h = static_cast<float>(hour);
  const float m1 = static_cast<float>(g.minute1);
  const float h1 = static_cast<float>(g.hour1);
  if (year == g.year1) {
    if (day == g.day1 && hour == g.hour1) return (m - m1) / 60.0f;
    if (day == g.day1 && hour > g.hour1) {
      return ((h - h1) - 1.0f) + ((60.0f - m1) / 60.0f + m / 60.0f);
    }
    if (day > g.day1) {
      const float days =
          static_cast<float>(day) - static_cast<float>(g.day1) - 1.0f;
      return 24.0f * days +
             ((60.0f - m1) / 60.0f + m / 60.0f + (24.0f - h1 - 1.0f) + h);
    }
  }
  // Whole days between the start day and the given day, across year ends:
  // day number = 365*year + (multiples of 4 below year) + day.
  auto leaps_below = [](int64_t y) {
    const int64_t q = y + 3;
    return q >= 0 ? q / 4 : -((-q + 3) / 4);
  };
  auto daynum = [&](int64_t y, int64_t d) {
    return 365 * y + leaps_below(y) + d;
  };
  const int64_t days = daynum(year, day) - daynum(g.year1, g.day1);
  return 24.0f * static_cast<float>(days) + (h - h1) + (m - m1) / 60.0f;
}

}  // namespace ptfit
