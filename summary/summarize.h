// The summary of one quantity (a parameter or chi2) from its chains after
// burn-in: median and central intervals, mean and spread, autocorrelation
// time, effective sample size, R-hat and the share of samples at a bound;
// and the warnings it deserves.
#pragma once

#include <string>
#include <vector>

#include "estimators.h"
#include "ranges.h"

namespace ptsummary {

struct Row {
  std::string name;
  double median = 0;
  double lo68 = 0;  // the central 68.27% (plus or minus one sigma)
  double hi68 = 0;
  double lo95 = 0;  // the central 95%
  double hi95 = 0;
  double mean = 0;
  double sd = 0;
  double tau = 0;         // integrated autocorrelation time, in moves
  double ess = 0;         // all samples / tau
  double rhat = 0;        // split, rank-normalised
  double at_bound = 0;    // share within 1% of the width of a bound
  Range range;            // not known for chi2 or without a parameter file
  bool circular = false;  // samples at both ends: circular statistics
  bool constant = false;  // every sample the same value
};

// Summarises the chains (one per ladder, equal lengths, at least one
// sample). With a known range whose both ends the samples touch (within 1%
// of its width) the moves have wrapped around: the statistics are then
// circular. The samples are unwrapped around their mean direction; the
// mean is that direction; the median lies in the range and the interval
// ends sit at their distances from it, so they may pass a bound (read them
// modulo the width); sd, tau and R-hat are those of the unwrapped samples.
Row summarize(const std::string& name, Chains chains, const Range& range);

// Thresholds of the warnings.
constexpr double kMinEss = 100;
constexpr double kMaxRhat = 1.01;
constexpr double kMaxAtBound = 0.05;

// The warnings of a row, one line each ("warning: NAME: ..."): effective
// sample size below 100, R-hat above 1.01, more than 5% of the samples at a
// bound, samples at both ends of the range.
std::vector<std::string> warnings(const Row& row);

}  // namespace ptsummary
