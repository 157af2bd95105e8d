// The ionoscan run: the dialogue of the file "input", the list of RSF
// files, the time range and grid, the sampling of every sounding into
// `bins` and `timearray`, and the hand-over to the maxima output.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "extractor.h"
#include "phase.h"

namespace ionoscan {

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

// Runs ionoscan in the working directory with its messages on `out`
// (flushed on return); returns how the run ended.
Status run_ionoscan(std::ostream& out);

}  // namespace ionoscan
