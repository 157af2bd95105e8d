// The sampling of ionoscan: the time range of the soundings, the time grid
// laid over it, and one pass over the RSF files that adds the
// weighted amplitudes of every accepted group to `bins`. Each function
// that returns a Status is one phase of the run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <string>

#include "extractor.h"
#include "phase.h"

namespace ionoscan {

// The first header of every listed file, read once, gives the earliest and
// the latest sounding; a file whose first header is incomplete counts for
// nothing. A stop when a file cannot be opened or read or is no RSF file;
// refused when no file holds a whole header.
Status find_range(Extractor& ex, std::ostream& out);

// Lays the time grid from the earliest sounding in steps of ex.ans.dt: the
// time step of every file (one walk along the grid) and ntimes. Refused
// when the grid would be too long or the latest sounding is on no step.
// REQUIRES: find_range done; ex.ans.dt positive and finite.
Status lay_grid(Extractor& ex, std::ostream& out);

// Names on standard error the RSF file of a stop whose message on the
// run's output does not name it: "ionoscan: NAME: what".
void name_file(const std::string& name, const std::string& what);

// Samples every file in list order, until one has no whole first header
// (said on standard error; the run goes on with what was sampled). A
// progress bar over the files goes to `progress` unless it is null; its
// line is ended however the pass ends.
Status sample_all(Extractor& ex,
                  std::ostream& out,
                  std::FILE* progress = nullptr);

// Whether a group of polarisation `pol` counts for `polmode` (1 X mode,
// 2 O mode, 3 both): pol 0 never counts.
inline bool group_accepted(int32_t pol, int32_t polmode) {
  return pol != 0 && (polmode == pol || polmode == 3);
}

// 10^(-(3 gain + atten)/20) in 32-bit reals: the weight of the amplitudes
// of a group with gain code `gain` under an attenuation of `atten` dB.
float gain_factor(int32_t gain, float atten);

// Adds the accepted group ex.grp, weighted, to every band of bins at time
// step `it` whose range holds its frequency.
// REQUIRES: 1 <= it <= ntimes, ex.grp.nsum <= ex.nhts_bins.
void add_group(Extractor& ex, int32_t it);

}  // namespace ionoscan
