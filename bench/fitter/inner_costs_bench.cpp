// Timings of the fitter's inner costs: the chi-square of each model per
// data point, one full trial (move, chi-square, acceptance, adaptation),
// and the seeding. Run by hand: ./fitcore_bench [ndata]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "getdata.h"
#include "moves.h"
#include "seed.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void setup(
    ptfit::Global& g, ptfit::Data& d, int modeltype, int nparams, int ndata) {
  g.nparams = nparams;
  g.fitparams.assign(nparams, ptfit::Fitparam{});
  for (int j = 0; j < nparams; ++j) {
    ptfit::Fitparam& p = g.fitparams[j];
    p.range = {1.0, 30.0};
    p.value = 1.5 + j;
    p.maxstep = 0.29;
  }
  d.modeltype = modeltype;
  d.ndata = ndata;
  d.simdata.assign(3 * static_cast<size_t>(ndata), 0.0);
  for (int i = 1; i <= ndata; ++i) {
    ptfit::simdata(d, i, 1) = 0.25 * i;
    ptfit::simdata(d, i, 2) = 250 + 10 * std::sin(0.1 * i);
    ptfit::simdata(d, i, 3) = 5;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int ndata = argc > 1 ? std::atoi(argv[1]) : 2000;
  struct Case {
    int modeltype, nparams;
  };
  std::printf("chi2 over %d points\n", ndata);
  for (Case c : {Case{1, 4},
                 Case{1, 7},
                 Case{2, 13},
                 Case{3, 13},
                 Case{4, 6},
                 Case{4, 11}}) {
    ptfit::Global g;
    ptfit::Data d;
    setup(g, d, c.modeltype, c.nparams, ndata);
    const int calls = 2000;
    double sink = 0;
    const auto t0 = Clock::now();
    for (int k = 0; k < calls; ++k) {
      g.fitparams[0].value += 1e-9;
      sink += ptfit::chi2(g, d);
    }
    const double s = seconds_since(t0);
    std::printf("  model %d, %2d parameters: %7.2f ns per point (%g)\n",
                c.modeltype,
                c.nparams,
                1e9 * s / calls / ndata,
                sink);
  }

  ptfit::Global g;
  ptfit::Data d;
  setup(g, d, 1, 7, ndata);
  std::ostringstream out;
  double chi2cur = ptfit::chi2(g, d);
  const int trials = 2000;
  const auto t0 = Clock::now();
  for (int k = 0; k < trials; ++k) {
    ptfit::Fitparam& p = g.fitparams[k % 7];
    const double oldvalue = p.value;
    ptfit::moveparams(p, 1, g.rng, out);
    const double chi2new = ptfit::chi2(g, d);
    const int32_t ok = ptfit::acceptance(
        1, chi2new, chi2cur, 1.0, p.value, oldvalue, g.rng, out);
    if (ok)
      chi2cur = chi2new;
    else
      p.value = oldvalue;
    ptfit::mcstatistics(p, ok);
  }
  std::printf("one trial, model 1 with 7 parameters: %.2f us\n",
              1e6 * seconds_since(t0) / trials);

  const auto t1 = Clock::now();
  ptfit::seed(g.rng, 0);
  std::printf("seed: %.1f ms\n", 1e3 * seconds_since(t1));
  return 0;
}
