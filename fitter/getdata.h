// Module `getdata`, the fitter's data and model: the data dialogue and
// window selection (`readdata`, in readdata.cpp), the step grid of the
// window (`itime`, `time`, in itime.cpp), the four periodic models, their
// chi-square and the start-up check of the parameter count (chi2.cpp), and
// normal deviates (`snorm`, `gennor`, in snorm.cpp).
#pragma once

#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "freeform_in.h"
#include "global.h"
#include "status.h"

namespace ptfit {

// π as every chi2 call stores it into Data::pi.
constexpr double kPi = 3.141592653589793;

// Uncertainties at or below this (1.0e-7 in single precision, widened) do
// not weight their point.
constexpr double kWeightFloor = static_cast<double>(1.0e-7f);

// ---------------------------------------------------------------------------
// Data input (readdata.cpp).

// Runs the data dialogue on `in` (prompts and echoes to `out`, one whole
// line per write), reads the chosen window of the series file into `d`
// (modeltype, the window, ndata, simdata) and says how it ended: ok with
// ndata >= 1 points; a stop, its message not yet printed, when the file
// cannot be opened, no record falls into the window (g.stoprun = 1 then), a
// record lies on no step of the window's grid or has a time step above 60
// minutes (the message names its line and time) or the file ends early; an
// input error when an answer or a line of the file cannot be read. Records
// whose year and day are both 0 (steps without a sounding) are skipped and
// counted.
Status readdata(Global& g, Data& d, textio::LineSource& in, std::ostream& out);

// ---------------------------------------------------------------------------
// The step grid of the window (itime.cpp).

// The number of the step of the window's grid that (year, day, hour,
// minute) falls on, the window start being step 1. The grid runs from the
// start in steps of g.timestep minutes, restarting at minute 0 after every
// hour, and crosses year ends with years of 365 days, 366 when divisible by
// 4; all of it in single precision. Leaves g.ly at the length of the year
// reached. Returns 0 when the time lies on no step of the grid (before the
// start, between two steps, or a timestep that is not a positive number).
int32_t itime(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute);

// The same count by walking every step from the window start: the plain
// reference that `itime` agrees with.
int32_t itime_plain(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute);

// Hours from the window start to (year, day, hour, minute), in single
// precision. Times in the start year at or after the start hour of the
// start day follow the three closed forms of the window; any other time
// counts whole days across year ends (years divisible by 4 have 366 days)
// as 24*days + (hour - hour1) + (minute - minute1)/60, negative before the
// start.
float time(
    const TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute);

// ---------------------------------------------------------------------------
// Models and chi-square (chi2.cpp).

// The rule of the parameter count: true when `nparams` parameters fill the
// layout of `modeltype`, 1 + 3k for model 1, 1 + 5k for model 4, at least
// 3 for models 2 and 3, any count that is not negative for other types.
bool nparams_fit(int32_t modeltype, int32_t nparams);

// Whether the chi-square can be computed: nparams fits the model's layout
// and the table and the data are as long as nparams and ndata say.
bool chi2_computable(const Global& g, const Data& d);

// The start-up check of nparams_fit: false with a one-line message that
// names the layout when the count does not fit.
bool check_nparams(int32_t modeltype, int32_t nparams, std::string& message);

// Segment index k of point i (1..ndata) for models 2 and 3:
// 4 + trunc(float(i) / (float(ndata) / (float(nparams) - 3))) in single
// precision, clamped to nparams. With nparams 3 (no segment) the length is
// infinite and k = 4 clamps to 3: p3 serves as phase and as the segment's
// parameter.
// REQUIRES: nparams >= 3, ndata >= 1.
inline int32_t segment_index(int32_t i, int32_t ndata, int32_t nparams) {
  const float len =
      static_cast<float>(ndata) / (static_cast<float>(nparams) - 3.0f);
  int32_t k = 4 + static_cast<int32_t>(static_cast<float>(i) / len);
  if (k > nparams) k = nparams;
  return k;
}

// The model value at point i (1..ndata) of time t (hours) for parameters
// p(1..nparams), where `p(j)` is any callable returning parameter j.
// Models 1-4 as listed in README; any other model type gives 0.
// REQUIRES: nparams_fit(modeltype, nparams).
template <class P>
double model_value(int32_t modeltype,
                   const P& p,
                   int32_t nparams,
                   int32_t ndata,
                   int32_t i,
                   double t) {
  switch (modeltype) {
    case 1: {
      // m = p1 + sum over j = 2, 5, 8, ... of p(j) sin(p(j+2) + t 2π/p(j+1))
      double m = p(1);
      for (int32_t j = 2; j + 2 <= nparams; j += 3) {
        m = std::sin(p(j + 2) + (t * 2 * kPi) / p(j + 1)) * p(j) + m;
      }
      return m;
    }
    case 2: {
      // m = p(k) + p1 sin(p3 + t 2π/p2), k the point's segment
      const int32_t k = segment_index(i, ndata, nparams);
      return std::sin(p(3) + (t * 2 * kPi) / p(2)) * p(1) + p(k);
    }
    case 3: {
      // m = p1 + p(k) sin(p3 + t 2π/p2), k the point's segment
      const int32_t k = segment_index(i, ndata, nparams);
      return std::sin(p(3) + (t * 2 * kPi) / p(2)) * p(k) + p(1);
    }
    case 4: {
      // m = p1 + sum over j = 2, 7, 12, ... of
      //     p(j) sin(p(j+4) + t 2π/p(j+3)) sin(p(j+2) + t 2π/p(j+1))
      double m = p(1);
      for (int32_t j = 2; j + 4 <= nparams; j += 5) {
        m = (std::sin(p(j + 4) + (t * 2 * kPi) / p(j + 3)) * p(j)) *
                std::sin(p(j + 2) + (t * 2 * kPi) / p(j + 1)) +
            m;
      }
      return m;
    }
    default:
      return 0.0;
  }
}

// The chi-square of the current parameter values g.fitparams[*].value
// against the data: sum over the points of r^2 (model 1) or r^2/s^2
// (models 2-4, when |s| > kWeightFloor, else r^2), r = value - model.
// Model types other than 1-4 give 0. Stores π into d.pi. Allocates nothing.
// Returns NaN (reading nothing) when nparams_fit fails or the table or
// the data are shorter than nparams and ndata say.
double chi2(const Global& g, Data& d);

// The same sum by the code the walk runs: the sines of a vector kernel
// (sine.h) and the points summed in kLanes partial sums (chi2_kernels.h),
// so it differs from chi2 by rounding only. `cache` keeps the sines of the
// recent parameter values, and a call renews only what changed since; the
// result is bit for bit that of a call with a new cache, after any sequence
// of calls. Returns NaN and 0 where chi2 does.
// REQUIRES: d.simdata not changed in place since the cache was filled
// (other data, model types or parameter counts make it anew).
double chi2_cached(const Global& g, const Data& d, Chi2Cache& cache);

// The chi-square of the walk: chi2_cached with the cache of `d`; stores π
// into d.pi.
double chi2_fast(const Global& g, Data& d);

// ---------------------------------------------------------------------------
// Normal deviates (single precision), drawn from the process's stream
// (snorm.cpp).

// One standard normal deviate (Ahrens and Dieter's algorithm FL, 32
// intervals). Draws at least one uniform deviate.
float snorm(Rng& rng);

// av + sd * snorm(), in single precision.
float gennor(float av, float sd, Rng& rng);

}  // namespace ptfit
