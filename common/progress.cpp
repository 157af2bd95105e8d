#include "progress.h"

#include <unistd.h>

#include <cmath>
#include <utility>

namespace textio {

namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

void draw(ProgressBar& bar) {
  const std::string line =
      bar_text(bar.label, bar.unit, bar.done, bar.total, kBarWidth);
  std::fprintf(bar.to, "\r%s", line.c_str());
  std::fflush(bar.to);
  bar.drawn = line.size();
  bar.last = std::chrono::steady_clock::now();
}

}  // namespace

std::FILE* progress_stream() {
  return isatty(STDERR_FILENO) ? stderr : nullptr;
}

ProgressBar progress_bar(std::FILE* to,
                         std::string label,
                         std::string unit,
                         int64_t total) {
  ProgressBar bar;
  bar.to = to;
  bar.label = std::move(label);
  bar.unit = std::move(unit);
  bar.total = total;
  return bar;
}

void progress_update(ProgressBar& bar, int64_t done) {
  if (bar.to == nullptr) return;
  bar.done = done;
  if (bar.drawn == 0 ||
      std::chrono::steady_clock::now() - bar.last >= kRedrawEvery) {
    draw(bar);
  }
}

void progress_clear(ProgressBar& bar) {
  if (bar.to == nullptr || bar.drawn == 0) return;
  std::fprintf(bar.to, "\r%s\r", std::string(bar.drawn, ' ').c_str());
  std::fflush(bar.to);
  bar.drawn = 0;
}

void progress_end(ProgressBar& bar) {
  if (bar.to == nullptr) return;
  draw(bar);
  std::fputc('\n', bar.to);
  std::fflush(bar.to);
  bar.drawn = 0;
}

std::string bar_text(const std::string& label,
                     const std::string& unit,
                     int64_t done,
                     int64_t total,
                     int width) {
  int64_t filled = total > 0 ? done * width / total : width;
  if (filled < 0) filled = 0;
  if (filled > width) filled = width;
  return label + " [" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(width - filled), ' ') + "] " +
         std::to_string(done) + "/" + std::to_string(total) + " " + unit;
}

std::string clock_text(double seconds) {
  // Beyond 10^12 seconds (30,000 years) the figure means nothing anyway.
  const double s = std::isfinite(seconds) && seconds > 0
                       ? std::floor(std::fmin(seconds, 1e12))
                       : 0.0;
  const auto whole = static_cast<long long>(s);
  char text[48];
  std::snprintf(text,
                sizeof text,
                "%lld:%02lld:%02lld",
                whole / 3600,
                whole / 60 % 60,
                whole % 60);
  return text;
}

}  // namespace textio
