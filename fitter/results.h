// Sampling at temperature 1 and the result files it feeds: the parameter
// histograms (name + ".bin"), "chi2.bin", the model file "reconstructed"
// and the scatter file. Pure: texts are built here, the summing over
// processes and the writing happen in the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "global.h"

namespace ptfit {

// Bin number 1..10000 of a position quotient truncated toward zero, or 0
// when the quotient is NaN, infinite or lands in no bin (below 1 or at or
// above 10001). Never converts an out-of-range double to an integer.
int32_t bin_index(double q);

// Records the current state when this process is at temperature exactly 1:
// every varied parameter in its histogram (weight exp(-chi2cur/2) with
// samplingtype 11, else 1) and in its sums, and chi2cur in its sums and in
// the chi-square histogram (weight 1).
void binning(Global& g, const RunConfig& c);

// A parameter histogram file: 10000 records of bin position and density
// (summed count over the total area), then the reference marker block when
// showref is set. `counts` are the summed counts of all processes.
std::string histogram_text(const Fitparam& p,
                           const std::vector<double>& counts);

// "chi2.bin": 10000 records of bin position and summed count.
std::string chi2bin_text(const std::vector<double>& chi2bin,
                         const std::vector<double>& counts);

// The file name of a parameter histogram: the name without trailing blanks
// and ".bin".
std::string histogram_name(const Fitparam& p);

// Mean parameter values for the model file: summed values over summed
// counts. A parameter that was never binned (count 0) gets its current
// value `fallback[j]` instead of 0/0, so that the curve stays plottable.
std::vector<double> mean_values(const std::vector<double>& sums,
                                const std::vector<int32_t>& counts,
                                const std::vector<double>& fallback);

// "reconstructed": for model types 1-4 the model at every data time with
// the parameter values `p`, then two empty records, then the data.
std::string reconstructed_text(const Data& d, const std::vector<double>& p);

// The scatter file name of a process: "scatter_" and its rank.
std::string scatter_name(int32_t mpiid);
// The scatter file header: "NAMEOXLE", the number of varied parameters
// plus 1, their names, "chi2".
std::string scatter_header(const Global& g);
// One scatter record: the varied parameters' values in (f15.3) and
// chi2cur in (G15.3), one line.
std::string scatter_record(const Global& g, double chi2cur);

}  // namespace ptfit
