// The ionoscan run: the dialogue of the file "input" and the list of RSF
// files (dialogue.h), the time range and grid and the sampling of every
// sounding into `bins` and `timearray` (sampling.h), and the hand-over to
// the maxima output (maxima.h).
#pragma once

#include <cstdio>
#include <iosfwd>

#include "phase.h"

namespace ionoscan {

// Runs ionoscan in the working directory with its messages on `out`
// (flushed on return); returns how the run ended. A progress bar over the
// sampling pass goes to `progress` unless it is null.
Status run_ionoscan(std::ostream& out, std::FILE* progress = nullptr);

}  // namespace ionoscan
