#include "block_progress.h"

#include "progress.h"

namespace ptfit {

BlockProgress block_progress_start(std::FILE* to, int32_t done_before) {
  return {to, std::chrono::steady_clock::now(), done_before};
}

void block_progress_report(const BlockProgress& p,
                           int32_t k,
                           int32_t nblocks,
                           int32_t nmoves) {
  if (p.to == nullptr) return;
  const std::chrono::duration<double> taken =
      std::chrono::steady_clock::now() - p.start;
  const int32_t timed = k - p.done_before;
  const std::string line = block_progress_line(
      k, nblocks, static_cast<int64_t>(timed) * nmoves, taken.count(), timed);
  std::fprintf(p.to, "%s\n", line.c_str());
  std::fflush(p.to);
}

std::string block_progress_line(int32_t k,
                                int32_t nblocks,
                                int64_t moves,
                                double seconds) {
  return block_progress_line(k, nblocks, moves, seconds, k);
}

std::string block_progress_line(
    int32_t k, int32_t nblocks, int64_t moves, double seconds, int32_t timed) {
  char rate[48] = "-";
  if (seconds > 0) {
    const double r = static_cast<double>(moves) / seconds;
    std::snprintf(rate, sizeof rate, r >= 100 ? "%.0f" : "%.3g", r);
  }
  std::string line = "ptfit: block " + std::to_string(k) + " of " +
                     std::to_string(nblocks) + " done, " + rate + " moves/s, ";
  if (k >= nblocks) return line + textio::clock_text(seconds) + " in all";
  const double left = timed > 0 ? seconds / timed * (nblocks - k) : 0.0;
  return line + "about " + textio::clock_text(left) + " left";
}

}  // namespace ptfit
