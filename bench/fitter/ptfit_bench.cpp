// Cost of ptfit's work between two communications, on one process: the
// moves of a block (trials of model 1 with a constant and one sinusoid over
// n data points), the texts of the result files written after it, and the
// spelling of the chain lines of those moves (the chain thread's work).
// Usage: ptfit_bench [ndata] [moves]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "blockloop.h"
#include "chains.h"
#include "global.h"
#include "results.h"
#include "seed.h"
#include "startup.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ptfit;
  const int32_t ndata = argc > 1 ? std::atoi(argv[1]) : 192;
  const int32_t moves = argc > 2 ? std::atoi(argv[2]) : 20000;

  Data d;
  d.modeltype = 1;
  d.ndata = ndata;
  d.simdata.assign(3 * static_cast<size_t>(ndata), 0.0);
  for (int32_t i = 1; i <= ndata; ++i) {
    const double t = 0.25 * (i - 1);
    simdata(d, i, 1) = t;
    simdata(d, i, 2) = 250 + 30 * std::sin(2 * 3.141592653589793 * t / 24 + 1);
    simdata(d, i, 3) = 5;
  }
  Global g;
  RunConfig c;
  const char* names[] = {"constant", "amplitude", "period", "phase"};
  const double ranges[4][2] = {{200, 300}, {0, 50}, {18, 30}, {0, 6.2832}};
  for (int j = 0; j < 4; ++j) {
    Fitparam p = new_fitparam();
    p.name = std::string(names[j]) +
             std::string(20 - std::string(names[j]).size(), ' ');
    p.range = {ranges[j][0], ranges[j][1]};
    g.fitparams.push_back(p);
  }
  g.nparams = 4;
  g.nskip = 1;
  c.chi2max = 1e5;
  init_parameters(g, c);
  seed(g.rng, 0);
  std::ostringstream sink;
  first_moves(g, c, d, sink);

  auto t0 = std::chrono::steady_clock::now();
  for (int32_t n = 0; n < moves; ++n) run_move(g, c, d, true, sink);
  const double walk = seconds_since(t0);

  // The walk again, each move's state kept as the block loop records it;
  // then the lines spelled as the chain thread spells them.
  const size_t stride = 2 + g.fitparams.size();
  std::vector<double> raw;
  raw.reserve(size_t(moves) * stride);
  for (int32_t n = 1; n <= moves; ++n) {
    run_move(g, c, d, true, sink);
    raw.push_back(n);
    raw.push_back(c.chi2cur);
    for (const Fitparam& p : g.fitparams) raw.push_back(p.value);
  }
  std::vector<Spelled> last(g.fitparams.size() + 1);
  std::vector<char> text(size_t(moves) * chain_line_room(4, 6));
  t0 = std::chrono::steady_clock::now();
  const char* end = chain_lines(
      text.data(), 1, "\t0\t0\t", raw.data(), size_t(moves), 4, last);
  const double spelled = seconds_since(t0);

  t0 = std::chrono::steady_clock::now();
  size_t bytes = 0;
  std::vector<double> counts(kNbins, 1.0);
  for (const Fitparam& p : g.fitparams)
    bytes += histogram_text(p, counts).size();
  bytes += chi2bin_text(g.chi2bin, counts).size();
  std::vector<double> means;
  for (const Fitparam& p : g.fitparams) means.push_back(p.avval / p.neval);
  bytes += reconstructed_text(d, means).size();
  const double files = seconds_since(t0);

  std::printf("%d moves of 4 trials over %d points: %.3f s, %.2f us a trial\n",
              moves,
              ndata,
              walk,
              1e6 * walk / (4.0 * moves));
  std::printf("result file texts after a block: %.1f ms (%zu bytes)\n",
              1e3 * files,
              bytes);
  std::printf(
      "chain lines spelled: %.3f us a line (%.1f%% of a move; %zu bytes)\n",
      1e6 * spelled / moves,
      100 * spelled / walk,
      size_t(end - text.data()));
  return 0;
}
