// Trials, moves and the binning inside a move.
#include "blockloop.h"

#include "getdata.h"
#include "moves.h"
#include "results.h"

namespace ptfit {

void first_moves(Global& g, RunConfig& c, Data& d, std::ostream& out) {
  for (Fitparam& p : g.fitparams) {
    if (p.vary != 0) moveparams(p, c.samplingtype, g.rng, out);
  }
  c.chi2cur = chi2_fast(g, d);
}

void trial(Global& g, RunConfig& c, Data& d, int32_t j, std::ostream& out) {
  Fitparam& p = g.fitparams[j - 1];
  const double oldvalue = p.value;
  moveparams(p, c.samplingtype, g.rng, out);
  const double chi2new = chi2_fast(g, d);
  const int32_t accepted = acceptance(c.samplingtype,
                                      chi2new,
                                      c.chi2cur,
                                      g.temperature,
                                      p.value,
                                      oldvalue,
                                      g.rng,
                                      out);
  if (accepted != 0) {
    c.chi2cur = chi2new;
  } else {
    p.value = oldvalue;
  }
  mcstatistics(p, accepted);
}

void run_move(
    Global& g, RunConfig& c, Data& d, bool sampling, std::ostream& out) {
  const int32_t n = static_cast<int32_t>(g.fitparams.size());
  for (int32_t s = 1; s <= g.nskip; ++s) {
    for (int32_t j = 1; j <= n; ++j) {
      if (g.fitparams[j - 1].vary == 0) continue;
      trial(g, c, d, j, out);
      if (s == g.nskip && sampling) binning(g, c);
    }
  }
}

}  // namespace ptfit
