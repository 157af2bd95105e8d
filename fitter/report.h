// The text of everything ptfit prints besides the dialogues: the start-up
// listing, the initial chi-square line, the block report, the time estimate
// and the exchange ratio line. Pure: the callers decide who prints and when.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "global.h"

namespace ptfit {

// "  The number of processes is " with the count in (a,i8).
std::string nprocesses_line(int32_t mpisize);

// The parameter listing: title, count, column header, one (A20,4G12.3) line
// per parameter with name, bounds, value and reference value.
std::vector<std::string> parameter_listing(const Global& g);

// "mpiid/initial chi2" right-aligned in 25 columns, the rank, the chi-square.
std::string initial_chi2_line(int32_t mpiid, double chi2cur);

// The chi-square sums of a block report, combined over all processes.
struct Chi2Sums {
  int32_t n = 0;  // samples binned
  double s = 0;   // sum of chi-square
  double q = 0;   // sum of squares
};

// Banner, block and move counts, chi-square line and column header of the
// report after block k. With `sampling` (k after statistics_start) the
// chi-square line holds the mean and spread of the sums, otherwise
// `chi2now`, the current chi-square of process 0.
std::vector<std::string> report_head(int32_t k,
                                     int32_t nmoves,
                                     bool sampling,
                                     const Chi2Sums& sums,
                                     double chi2now);

// One report line for parameter p. a, b and m are the combined sums of
// values, squares and sample counts (read only with `sampling`).
std::string report_param_line(
    const Fitparam& p, bool sampling, double a, double b, int32_t m);

// Ticks from `start` to `now` of a counter that wraps to 0 after `max`: one
// wrap between the readings does no harm.
int64_t ticks_between(int64_t start, int64_t now, int64_t max);

// Whole seconds counted so far after one more block: the previous total
// plus the block's ticks over the tick rate in single precision, truncated.
int32_t add_block_time(int32_t totaltime, int64_t ticks, int64_t rate);

// "ellapsed time=" and "time remaining~" lines after block k of nblocks.
std::vector<std::string> time_lines(int32_t totaltime,
                                    int32_t k,
                                    int32_t nblocks);

// "temp. ratio", the rank and accepted/attempted exchanges in single
// precision (0/0 prints as NaN).
std::string exchange_ratio_line(int32_t mpiid,
                                int32_t nexaccept,
                                int32_t nexattempt);

// The line of a run resumed from the checkpoints of block `block`:
//   (2, 5) -> " resumed from the checkpoints of block 2: the run goes on
//              with block 3 of 5"
//   (5, 5) -> " resumed from the checkpoints of block 5: all 5 blocks are
//              done"
std::string resumed_line(int32_t block, int32_t nblocks);

// What a run with --resume says when there is no checkpoint.
inline constexpr const char* kFreshStart =
    "no checkpoint to resume from: the run starts at block 1";

}  // namespace ptfit
