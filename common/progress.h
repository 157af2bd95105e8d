// Progress on standard error for a person watching a terminal: a bar over
// a count, redrawn in place, and the text of a duration. Shown only when
// standard error is a terminal, so that logs and pipes get none of it, and
// never on standard output, which stays as it is.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace textio {

// Standard error when it is a terminal, else null: where progress goes.
std::FILE* progress_stream();

// A bar over `total` items; `to` null makes every call a no-op.
struct ProgressBar {
  std::FILE* to = nullptr;
  std::string label;  // "ionoscan: sampling"
  std::string unit;   // "files"
  int64_t total = 0;
  int64_t done = 0;
  size_t drawn = 0;  // length of the unfinished line on the terminal
  std::chrono::steady_clock::time_point last{};
};

ProgressBar progress_bar(std::FILE* to,
                         std::string label,
                         std::string unit,
                         int64_t total);

// Records `done` items and redraws the line (carriage return, no newline)
// when the last drawing is at least a tenth of a second old or nothing is
// drawn.
void progress_update(ProgressBar& bar, int64_t done);

// Erases the bar's line, so that other output can start at its beginning;
// the next update draws it again.
void progress_clear(ProgressBar& bar);

// Draws the count reached and ends the line with a newline.
void progress_end(ProgressBar& bar);

// The bar's line for `done` of `total` in a bar of `width` cells:
// ("sampling", "files", 3, 8, 8) -> "sampling [###     ] 3/8 files".
std::string bar_text(const std::string& label,
                     const std::string& unit,
                     int64_t done,
                     int64_t total,
                     int width);

// Whole seconds as hours, minutes and seconds: 3725.6 -> "1:02:05",
// 65 -> "0:01:05"; negative or not finite -> "0:00:00".
std::string clock_text(double seconds);

}  // namespace textio
