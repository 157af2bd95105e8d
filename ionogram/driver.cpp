// The ionoscan run, phase by phase. Each phase prints its part of the
// dialogue and returns its Status: ok, or how the run ends there.
#include "driver.h"

#include <algorithm>
#include <iostream>
#include <ostream>

#include "dialogue.h"
#include "extractor.h"
#include "freeform_in.h"
#include "maxima.h"
#include "sampling.h"
#include "sums.h"

namespace ionoscan {

namespace {

// The last checks (heights of the last group against the last header and
// the sums, the height window), then the output.
Status finish(Extractor& ex, std::ostream& out) {
  // The maxima read nsum heights of every row of the sums: never more than
  // the sums hold, even when the last group was rejected in a block of more
  // heights than the sums were made for.
  const int32_t nhts = std::min(ex.hdr.nhts, ex.nhts_bins);
  if (ex.nsum > nhts) {
    say(out, "ERROR: nsum .gt. nhts", ex.nsum, nhts);
    return stopped();
  }
  const Answers& a = ex.ans;
  const int32_t n = static_cast<int32_t>(
      window_indices(ex.hdr.h0, ex.hdr.hstep, ex.nsum, a.minh, a.maxh).size());
  if (a.nbands > 0 && (n < 2 || n < a.navg)) {
    say(out,
        "height window",
        a.minh,
        a.maxh,
        "holds",
        n,
        "heights; it needs at least 2 and at least",
        a.navg,
        "(the number of maxima to average)");
    return refused();
  }
  say(out, "finished sampling");
  return plotmaxima(ex, out);
}

// The phases in their order; the first that does not end ok ends the run.
Status run_phases(Extractor& ex, std::ostream& out, std::FILE* progress) {
  textio::LineSource input;
  if (!textio::open_source(input, "input")) {
    say(out, "error opening input");
    std::cerr << "ionoscan: cannot open the answers file input: " << input.error
              << '\n';
    return stopped();
  }
  Status s = read_file_list(ex, input, out);
  if (s.ok()) s = find_range(ex, out);
  if (s.ok()) s = read_time_step(ex.ans, input, out);
  if (s.ok()) s = lay_grid(ex, out);
  if (s.ok()) s = read_band_count(ex.ans, input, out);
  if (s.ok()) s = allocate_sums(ex, out);
  if (s.ok()) s = read_band_options(ex.ans, input, out);
  if (s.ok()) s = sample_all(ex, out, progress);
  if (s.ok()) s = finish(ex, out);
  return s;
}

}  // namespace

Status run_ionoscan(std::ostream& out, std::FILE* progress) {
  Extractor ex;
  const Status s = run_phases(ex, out, progress);
  out.flush();
  return s;
}

}  // namespace ionoscan
