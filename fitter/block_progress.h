// Process 0's progress on standard error while a person watches: after
// every block one line with the blocks done, the moves per second and the
// time left, from the wall clock (the block report's own times on standard
// output stay as they are).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ptfit {

struct BlockProgress {
  std::FILE* to = nullptr;  // null: nothing is shown
  std::chrono::steady_clock::time_point start{};
  int32_t done_before = 0;  // blocks done before the clock started
};

// Starts the clock of the block loop, `done_before` blocks being done (a
// resumed run); the lines go to `to` unless it is null.
BlockProgress block_progress_start(std::FILE* to, int32_t done_before = 0);

// Shows the line after block k of nblocks of nmoves moves each.
void block_progress_report(const BlockProgress& p,
                           int32_t k,
                           int32_t nblocks,
                           int32_t nmoves);

// The line after block k of nblocks, `moves` moves of this process having
// taken `seconds`; the time left is the mean time of the blocks done times
// the blocks to come:
//   (3, 10, 3000, 1.5) -> "ptfit: block 3 of 10 done, 2000 moves/s, about
//                          0:00:03 left"
//   (10, 10, 10000, 65) -> "ptfit: block 10 of 10 done, 154 moves/s,
//                           0:01:05 in all"
std::string block_progress_line(int32_t k,
                                int32_t nblocks,
                                int64_t moves,
                                double seconds);

// The same when the `moves` and `seconds` are those of the last `timed`
// blocks only (a resumed run): the time left is seconds / timed a block.
std::string block_progress_line(
    int32_t k, int32_t nblocks, int64_t moves, double seconds, int32_t timed);

}  // namespace ptfit
