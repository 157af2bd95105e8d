// Series of synthetic soundings on disk for the benchmark, the tests and
// the example: one RSF file per sounding at a fixed cadence, optionally in
// two parts with a gap between them; a layer whose height follows up to two
// oscillations plus noise; and the list files that name them.
//
// The clock of the oscillations is the hours since 00:00 of the first
// sounding's day (`year`, `doy`): the layer's height at t hours is
//   layer + swing sin(2 pi t / period + phase)
//         + swing2 sin(2 pi t / period2 + phase2) + jitter n
// with n a normal deviate of the noise stream (noise.h) of that sounding.
// A fit whose times count from a later start t0 sees the phase
// phase + 2 pi t0 / period.
#pragma once

#include <cstdint>
#include <string>

#include "station.h"

namespace rsfgen {

struct SeriesPlan {
  std::string dir = ".";       // where the files go (must exist)
  std::string prefix = "snd";  // file names: <prefix>_<number>.RSF
  int32_t count = 1;           // number of soundings
  int32_t year = 4;            // two-digit year of the first sounding
  int32_t doy = 1;             // its day of the year
  int32_t hour = 0, minute = 0;
  int32_t every = 15;                      // minutes between soundings
  int32_t nhts = 128;                      // 128, 256 or 512
  double layer_km = 250;                   // mean layer height
  double swing_km = 0;                     // amplitude of its first swing
  double period_h = 24;                    // its period, hours
  double phase = 0;                        // its phase, radians
  double swing2_km = 0;                    // amplitude of a second swing
  double period2_h = 12;                   // its period, hours
  double phase2 = 0;                       // its phase, radians
  double jitter_km = 0;                    // standard deviation of the noise
  uint64_t seed = 1;                       // of the noise stream
  double f1 = 2.0, f2 = 5.0, fstep = 0.5;  // sounding frequencies, MHz
  int32_t amplitude = 31;                  // echo of the layer
  int32_t background = 2;                  // echo elsewhere
  int32_t spread = 0;  // heights on each side of the peak that echo too,
                       // 4 weaker per height away from it
  // Two parts: after `gap_after` soundings (0: no gap) `gap` minutes more
  // pass before the next one, and the later soundings are listed in
  // `list2` when it is given.
  int32_t gap_after = 0;
  int32_t gap = 0;
  std::string list2;
  // With `agc` the soundings are recorded as a station would (station.h):
  // `receiver` sets the levels, `spread` the heights that echo around the
  // peak (3 dB weaker per height), the gain control sets the codes;
  // `amplitude`, `background` and `receiver.spread` are not used.
  bool agc = false;
  Receiver receiver;
};

// The layer's height at `hours` on the plan's clock, without the noise.
double layer_height(const SeriesPlan& plan, double hours);

// Writes the soundings and `list_path` (and `plan.list2`), one file name a
// line (as given to the files, relative to the working directory when dir
// is relative). False with `error` on failure.
bool write_sounding_series(const SeriesPlan& plan,
                           const std::string& list_path,
                           std::string& error);

}  // namespace rsfgen
