// The dialogue of ionoscan: the answers of the file "input", each asked and
// echoed on the run's output in the order the run needs it, and the list of
// RSF files. Each function is one phase of the run.
#pragma once

#include <iosfwd>

#include "extractor.h"
#include "freeform_in.h"
#include "phase.h"

namespace ionoscan {

// The logo and the name of the list file, then the list: one RSF file name
// a line, trailing blanks removed, into ex.names. Names are taken whole,
// however long. A stop when the list
// cannot be opened or is empty.
Status read_file_list(Extractor& ex,
                      textio::LineSource& input,
                      std::ostream& out);

// The time step in minutes; refused unless it is positive, finite and at
// most 60 (textio::kMaxStepMinutes).
Status read_time_step(Answers& a, textio::LineSource& input, std::ostream& out);

// The number of frequency bands; refused outside 0 to kMaxBands.
Status read_band_count(Answers& a,
                       textio::LineSource& input,
                       std::ostream& out);

// The frequency range of each of a.nbands bands, the polarisation mode (a
// stop unless 1, 2 or 3), msignl, mscale, the height window, avh and the
// number of maxima to average (refused below 1).
Status read_band_options(Answers& a,
                         textio::LineSource& input,
                         std::ostream& out);

}  // namespace ionoscan
