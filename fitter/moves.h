// One trial of the walk: the proposal of a new value for one parameter
// (`moveparams`), the acceptance rules selected by `samplingtype` (with
// `evalmv`, the Metropolis test) and the adaptation of the step width
// (`mcstatistics`).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "global.h"

namespace ptfit {

// The adaptation constant: 0.01 in single precision, widened.
constexpr double kStepAdapt = static_cast<double>(0.01f);

// Replaces p.value by a proposal. samplingtype 11: a uniform draw over the
// range. Otherwise value + (0.5 - u) * maxstep, re-entering the range at
// the other end by the overshoot (modulo the range width) when it leaves
// it. Draws one deviate.
// REQUIRES: p.vary != 0. Otherwise it prints "CRITICAL ERROR IN
// MOVEPARAMS" on `out`, draws nothing, leaves p as it was and throws
// std::logic_error: the run stops (ptfit's main ends the whole job with
// status 1). The walk moves varied parameters only.
void moveparams(Fitparam& p, int32_t samplingtype, Rng& rng, std::ostream& out);

// The Metropolis test for the reduced chi-square increase `delta`: 1 when
// delta <= 0 (no deviate drawn), else 1 when exp(clamp(-delta, -120, 120))
// > u for one deviate u, else 0. A NaN delta is accepted.
int32_t evalmv(double delta, Rng& rng);

// The acceptance rule of `samplingtype` for a proposal `value` (previous
// value `oldvalue`) of chi-square `chi2new`, the current state having
// `chi2cur`, at `temperature`:
//   1:  evalmv((chi2new - chi2cur)/2/temperature)
//   2:  P = min(1, (value exp(-chi2new/2) / oldvalue) / exp(-chi2cur/2)),
//       a NaN ratio counting as 1; accepted when P >= u (one deviate)
//   11: always accepted
// Any other type prints "UNDEFINIED CHOICE FOR SAMPLINGTYPE" and rejects.
int32_t acceptance(int32_t samplingtype,
                   double chi2new,
                   double chi2cur,
                   double temperature,
                   double value,
                   double oldvalue,
                   Rng& rng,
                   std::ostream& out);

// Counts a trial of `p` and its outcome, widens maxstep by (1 + kStepAdapt)
// on acceptance or narrows it by (1 - kStepAdapt) on rejection, and caps it
// at a tenth of the range.
void mcstatistics(Fitparam& p, int32_t accepted);

// Checks at start-up that `samplingtype` is 1, 2 or 11. False with the
// message "UNDEFINIED CHOICE FOR SAMPLINGTYPE" otherwise.
bool check_samplingtype(int32_t samplingtype, std::string& message);

}  // namespace ptfit
