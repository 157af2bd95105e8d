// The extractor state of ionoscan: the dialogue's answers, the file list,
// the time range of the soundings, the header and group last decoded, and
// the result arrays that sampling fills and the maxima output reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rsf.h"
#include "timegrid.h"

namespace ionoscan {

// Longest time grid a run accepts; a longer one means a time step far too
// small for the period of the soundings.
inline constexpr int32_t kMaxGridSteps = 100'000'000;
// Bands get two-digit numbers in the output file names.
inline constexpr int32_t kMaxBands = 99;

// The answers of the file "input", in the order they are asked.
struct Answers {
  std::string logo;         // prefix of the output file names
  std::string fnames_list;  // file that lists the RSF files
  float dt = 0;             // minutes per time step
  int32_t nbands = 0;
  std::vector<double> frange;  // band ib: [2 ib] lower, [2 ib + 1] upper MHz
  int32_t polmode = 0;         // 1 X mode, 2 O mode, 3 both
  int32_t msignl = 0;          // 0: subtract the most frequent amplitude
  int32_t mscale = 0;          // 0: every sample counts as 1
  float minh = 0, maxh = 0;    // height window, km
  int32_t avh = 0;             // echoed only
  int32_t navg = 0;            // number of maxima averaged
};

struct Extractor {
  Answers ans;
  std::vector<std::string> names;  // list lines, trailing blanks removed

  // First header of each listed file (read once), and whether it was whole.
  std::vector<GridTime> first_time;
  std::vector<char> has_header;

  // Earliest and latest sounding.
  int32_t yearmin = 100000, yearmax = 0;
  int32_t daymin = 400, daymax = 0;
  int32_t hourmin = 25, hourmax = -10;
  int32_t minutemin = 100, minutemax = -10;
  std::size_t earliest = 0, latest = 0;  // files of the two
  int32_t Ly = 0;
  int32_t ntimes = 0;
  std::vector<int32_t> step_of;  // time step of each file, 0 for none

  RsfHeader hdr;     // the last header read
  FrGroup grp;       // the last group decoded
  int32_t nsum = 0;  // samples of the last group decoded; 0 before any

  // bins(it, ih, ib) at ((it-1) nbands + ib-1) nhts_bins + ih-1: summed
  // weighted amplitude per time step, band and height sample.
  int32_t nhts_bins = 0;
  std::vector<double> bins;
  // timearray(it, 1:4) at 4 (it-1): year, day, hour, minute of the file
  // sampled last on step it; zeros for a step without a sounding.
  std::vector<int32_t> timearray;
  // sampled(it) at it-1: 1 when a file was sampled on step it, else 0.
  std::vector<char> sampled;
};

// Index of bins(it, ih, ib), all 1-based.
inline std::size_t bins_at(const Extractor& ex,
                           int32_t it,
                           int32_t ih,
                           int32_t ib) {
  return (static_cast<std::size_t>(it - 1) * ex.ans.nbands + (ib - 1)) *
             static_cast<std::size_t>(ex.nhts_bins) +
         (ih - 1);
}

}  // namespace ionoscan
