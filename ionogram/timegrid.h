// The time grid of the extractor (the series grid of stepgrid.h) from the
// earliest sounding. `itime` gives a time's step number;
// `place_on_grid` gives the step numbers of many times in one walk.
#pragma once

#include <compare>
#include <cstdint>
#include <span>
#include <vector>

#include "stepgrid.h"

namespace ionoscan {

// A time stamp as the headers give it; ordered year first.
struct GridTime {
  int32_t year = 0;
  int32_t day = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  friend auto operator<=>(const GridTime&, const GridTime&) = default;
};

using textio::grid_advance;
using textio::GridPoint;

// The first point of the grid: the start time, its year's length.
GridPoint grid_start(const GridTime& start);
// The grid point's time with every part truncated toward zero.
GridTime grid_time(const GridPoint& p);

enum class GridStatus {
  kOk,
  kStalled,  // dt too small to move the minute on: the walk cannot go on
  kTooLong,  // the walk passed `max_steps` before it met every time
};

// The step number (1 for `start`) of every time of `times`, in their
// order, from a single walk along the grid: 0 for a time that no step
// matches. A time matches the first step whose truncated parts all equal
// its parts; the result equals a walk from the start for each time.
// REQUIRES: dt > 0 and finite; every time at or after `start`.
struct Placement {
  std::vector<int32_t> index;
  GridStatus status = GridStatus::kOk;
};
Placement place_on_grid(const GridTime& start,
                        float dt,
                        std::span<const GridTime> times,
                        int32_t max_steps);

// The step number of one time (0 when it lies on no step), by the walk.
int32_t itime(const GridTime& start,
              float dt,
              const GridTime& t,
              int32_t max_steps);

}  // namespace ionoscan
