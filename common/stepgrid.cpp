// The step rule of the series time grid.
#include "stepgrid.h"

namespace textio {

GridPoint grid_start(int32_t year, int32_t day, int32_t hour, int32_t minute) {
  return {static_cast<float>(year),
          static_cast<float>(day),
          static_cast<float>(hour),
          static_cast<float>(minute),
          year_length(year)};
}

void grid_advance(GridPoint& p, float dt) {
  p.minute = p.minute + dt;
  if (p.minute > 60.0f - dt) {
    p.minute = 0.0f;
    p.hour = p.hour + 1.0f;
  }
  if (p.hour > 23.0f) {
    p.hour = 0.0f;
    p.day = p.day + 1.0f;
  }
  if (p.day > static_cast<float>(p.ly)) {
    p.day = 1.0f;
    p.year = p.year + 1.0f;
    p.ly = year_length(static_cast<int32_t>(p.year));
  }
}

}  // namespace textio
