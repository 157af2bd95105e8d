// Cost of ptfit's checkpoints against a block, on one process: the moves of
// a block of the example's kind (model 1 with a constant and two sinusoids,
// 7 parameters, binned from the first block), then at each block end the
// checkpoint made (the walk waits for that) and, as the checkpoint thread
// does while the next block runs, a block's chain lines synced and the
// checkpoint written whole (synced, the one before kept) in a temporary
// folder. Then the size of a checkpoint whose histograms have every bin
// filled, the largest there is.
// Usage: checkpoint_bench [ndata] [moves] [blocks]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "blockloop.h"
#include "checkpoint.h"
#include "fingerprint.h"
#include "global.h"
#include "seed.h"
#include "startup.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
      .count();
}

// The example's series: 250 + 25 sin(2 pi t / 24 + 0.5) + 10 sin(2 pi t /
// 12 + 1) km at 15-minute steps, with a deterministic wobble for noise.
void make_data(ptfit::Data& d, int32_t ndata) {
  d.modeltype = 1;
  d.ndata = ndata;
  d.simdata.assign(3 * static_cast<size_t>(ndata), 1.0);
  for (int32_t i = 1; i <= ndata; ++i) {
    const double t = 0.25 * (i - 1);
    ptfit::simdata(d, i, 1) = t;
    ptfit::simdata(d, i, 2) = 250 + 25 * std::sin(2 * M_PI * t / 24 + 0.5) +
                              10 * std::sin(2 * M_PI * t / 12 + 1.0) +
                              std::sin(1e3 * t);
  }
}

void make_params(ptfit::Global& g, ptfit::RunConfig& c) {
  const char* names[] = {"constant",
                         "amplitude_1",
                         "period_1",
                         "phase_1",
                         "amplitude_2",
                         "period_2",
                         "phase_2"};
  const double ranges[7][2] = {{200, 320},
                               {0, 60},
                               {20, 30},
                               {0, 6.2832},
                               {0, 30},
                               {10, 15},
                               {0, 6.2832}};
  for (int j = 0; j < 7; ++j) {
    ptfit::Fitparam p = ptfit::new_fitparam();
    p.name.replace(0, std::string(names[j]).size(), names[j]);
    p.range = {ranges[j][0], ranges[j][1]};
    g.fitparams.push_back(p);
  }
  g.nparams = 7;
  g.nskip = 1;
  c.chi2max = 50000;
  ptfit::init_parameters(g, c);
}

// Writes `bytes` bytes at the end of the file `fd` and syncs them; seconds.
double append_and_sync(int fd, size_t bytes) {
  const std::string text(bytes, 'x');
  const auto t0 = std::chrono::steady_clock::now();
  if (::write(fd, text.data(), text.size()) < 0 || ::fdatasync(fd) != 0) {
    std::perror("chain sync");
  }
  return seconds_since(t0);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ptfit;
  const int32_t ndata = argc > 1 ? std::atoi(argv[1]) : 864;
  const int32_t moves = argc > 2 ? std::atoi(argv[2]) : 6000;
  const int32_t blocks = argc > 3 ? std::atoi(argv[3]) : 10;
  Global g;
  RunConfig c;
  Data d;
  make_data(d, ndata);
  make_params(g, c);
  seed_from(g.rng, 1, 0);
  std::ostringstream sink;
  first_moves(g, c, d, sink);
  const Fingerprint f = fingerprint_of(g, c, d, "1");

  char folder[] = "/tmp/checkpoint_bench_XXXXXX";
  if (::mkdtemp(folder) == nullptr || ::chdir(folder) != 0) return 1;
  const int chain = ::open("chain_0", O_WRONLY | O_CREAT | O_APPEND, 0644);
  LoopState loop;
  double walk = 0, make = 0, write = 0, sync = 0;
  size_t bytes = 0;
  std::printf("block  moves s  made ms  chain synced ms  written ms  bytes\n");
  for (int32_t k = 1; k <= blocks; ++k) {
    auto t0 = std::chrono::steady_clock::now();
    for (int32_t n = 0; n < moves; ++n) run_move(g, c, d, true, sink);
    const double w = seconds_since(t0);
    loop.block = k;
    t0 = std::chrono::steady_clock::now();
    const std::string ckpt = encode_checkpoint(f, g, c, loop, {});
    const double m = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    std::string error;
    if (!write_checkpoint(0, ckpt, error)) std::printf("%s\n", error.c_str());
    const double wr = seconds_since(t0);
    // About 19 bytes a value, 9 values a line of 7 parameters.
    const double s = append_and_sync(chain, size_t(moves) * 170);
    std::printf("%5d  %7.3f  %7.2f  %15.2f  %10.2f  %zu\n",
                k,
                w,
                1e3 * m,
                1e3 * s,
                1e3 * wr,
                ckpt.size());
    walk += w;
    make += m;
    write += wr;
    sync += s;
    bytes = ckpt.size();
  }
  std::printf(
      "mean: block %.3f s; made %.3f ms (%.2f%% of a block, on the walk); "
      "synced and written %.2f ms (%.1f%% of a block, on the checkpoint "
      "thread); last checkpoint %zu bytes\n",
      walk / blocks,
      1e3 * make / blocks,
      100 * make / walk,
      1e3 * (sync + write) / blocks,
      100 * (sync + write) / walk,
      bytes);

  // Every bin of every histogram filled: the largest checkpoint.
  for (Fitparam& p : g.fitparams) {
    for (int b = 1; b <= kNbins; ++b) hist_count(p, b) = b;
  }
  for (int b = 0; b < kNbins; ++b) g.chi2bin[kNbins + b] = b + 1;
  const auto t0 = std::chrono::steady_clock::now();
  const std::string full = encode_checkpoint(f, g, c, loop, {});
  std::string error;
  write_checkpoint(0, full, error);
  std::printf("every bin filled: %zu bytes, made and written in %.2f ms\n",
              full.size(),
              1e3 * seconds_since(t0));
  ::close(chain);
  std::filesystem::remove_all(folder);
  return 0;
}
