// Height maxima and the "_maxima_" files: for every band and time step the
// mean height of the strongest echoes inside the height window and their
// spread, the means smoothed over 7 steps, one series file per band.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extractor.h"
#include "phase.h"

namespace ionoscan {

// Height of sample index i (1-based): h0 + hstep (i - 1) in 32-bit reals,
// then widened.
double height_of(float h0, float hstep, int32_t i);

// The sample indices 1..nsum whose height lies in [minh, maxh], ascending.
std::vector<int32_t> window_indices(
    float h0, float hstep, int32_t nsum, float minh, float maxh);

// Replaces the value of every step with a sounding (sampled[i] != 0) by the
// plain mean of the values of the steps with a sounding up to `nwin` steps
// on either side of it, the window cut at both ends of the series; every
// mean is taken from the unsmoothed values, summed in ascending order. A
// step without a sounding keeps its value: its heights are no measurement
// and never enter a mean.
// REQUIRES: sampled.size() == series.size().
void filter(int32_t nwin,
            std::span<double> series,
            std::span<const char> sampled);

// Per time step of one band: mean and population standard deviation of the
// heights of the `navg` strongest samples in `window`, the strongest chosen
// by sort2's order (so ties go as its heap sort leaves them); the means are
// not yet smoothed.
// REQUIRES: navg >= 1, window.size() >= max(navg, 2).
void band_maxima(const Extractor& ex,
                 int32_t ib,
                 std::span<const int32_t> window,
                 std::vector<double>& mean,
                 std::vector<double>& sd);

// The number of steps of band `ib` on which a file was sampled but no
// height of `window` holds a positive summed amplitude: steps whose heights
// are no measurement (an empty band, noise only, no group of the mode).
int32_t steps_without_echo(const Extractor& ex,
                           int32_t ib,
                           std::span<const int32_t> window);

// "<logo without trailing blanks>_maxima_<band>.dat".
std::string maxima_file_name(std::string_view logo, int32_t ib);

// Writes the "_maxima_" file of every band with its messages on `out`. The
// files appear together at the end, or (on a failure to write, reported
// and refused) none of them. Then, on standard error, one line for every
// band with steps_without_echo.
// REQUIRES: the window checked as band_maxima requires.
Status plotmaxima(const Extractor& ex, std::ostream& out);

}  // namespace ionoscan
