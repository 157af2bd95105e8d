// The time grid walk and the single-walk placement of many soundings.
#include "timegrid.h"

#include <algorithm>
#include <numeric>

namespace ionoscan {

GridPoint grid_start(const GridTime& start) {
  return textio::grid_start(start.year, start.day, start.hour, start.minute);
}

GridTime grid_time(const GridPoint& p) {
  return {static_cast<int32_t>(p.year),
          static_cast<int32_t>(p.day),
          static_cast<int32_t>(p.hour),
          static_cast<int32_t>(p.minute)};
}

// The grid's truncated times never decrease (every step moves the time
// forward and only the minute is ever fractional), so one walk in time
// order meets every time or passes it for good.
Placement place_on_grid(const GridTime& start,
                        float dt,
                        std::span<const GridTime> times,
                        int32_t max_steps) {
  Placement out;
  out.index.assign(times.size(), 0);
  std::vector<size_t> order(times.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return times[a] < times[b];
  });

  GridPoint p = grid_start(start);
  int32_t n = 1;
  size_t next = 0;  // the first time in `order` not yet placed
  while (next < order.size()) {
    const GridTime g = grid_time(p);
    while (next < order.size() && times[order[next]] < g) ++next;  // missed
    while (next < order.size() && times[order[next]] == g) {
      out.index[order[next]] = n;
      ++next;
    }
    if (next == order.size()) break;
    if (n >= max_steps) {
      out.status = GridStatus::kTooLong;
      break;
    }
    const GridPoint before = p;
    grid_advance(p, dt);
    if (p == before) {
      out.status = GridStatus::kStalled;
      break;
    }
    ++n;
  }
  return out;
}

int32_t itime(const GridTime& start,
              float dt,
              const GridTime& t,
              int32_t max_steps) {
  return place_on_grid(start, dt, std::span<const GridTime>(&t, 1), max_steps)
      .index[0];
}

}  // namespace ionoscan
