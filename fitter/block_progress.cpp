#include "block_progress.h"

#include "progress.h"

namespace ptfit {

BlockProgress block_progress_start(std::FILE* to) {
  return {to, std::chrono::steady_clock::now()};
}

void block_progress_report(const BlockProgress& p,
                           int32_t k,
                           int32_t nblocks,
                           int32_t nmoves) {
  if (p.to == nullptr) return;
  const std::chrono::duration<double> taken =
      std::chrono::steady_clock::now() - p.start;
  const std::string line = block_progress_line(
      k, nblocks, static_cast<int64_t>(k) * nmoves, taken.count());
  std::fprintf(p.to, "%s\n", line.c_str());
  std::fflush(p.to);
}

std::string block_progress_line(int32_t k,
                                int32_t nblocks,
                                int64_t moves,
                                double seconds) {
  char rate[48] = "-";
  if (seconds > 0) {
    const double r = static_cast<double>(moves) / seconds;
    std::snprintf(rate, sizeof rate, r >= 100 ? "%.0f" : "%.3g", r);
  }
  std::string line = "ptfit: block " + std::to_string(k) + " of " +
                     std::to_string(nblocks) + " done, " + rate + " moves/s, ";
  if (k >= nblocks) return line + textio::clock_text(seconds) + " in all";
  const double left = k > 0 ? seconds / k * (nblocks - k) : 0.0;
  return line + "about " + textio::clock_text(left) + " left";
}

}  // namespace ptfit
