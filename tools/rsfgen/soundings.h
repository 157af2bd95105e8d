// Series of synthetic soundings on disk for the benchmark and the example:
// one RSF file per sounding at a fixed cadence, a layer whose height can
// swing over the day, and the list file that names them.
#pragma once

#include <cstdint>
#include <string>

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
  double swing_km = 0;                     // amplitude of its daily swing
  double period_h = 24;                    // period of the swing, hours
  double f1 = 2.0, f2 = 5.0, fstep = 0.5;  // sounding frequencies, MHz
  int32_t amplitude = 31;                  // echo of the layer
  int32_t background = 2;                  // echo elsewhere
  int32_t spread = 0;  // heights on each side of the peak that echo too,
                       // 4 weaker per height away from it
};

// Writes the soundings and `list_path`, one file name a line (as given to
// the files, relative to the working directory when dir is relative).
// False with `error` on failure.
bool write_sounding_series(const SeriesPlan& plan,
                           const std::string& list_path,
                           std::string& error);

}  // namespace rsfgen
