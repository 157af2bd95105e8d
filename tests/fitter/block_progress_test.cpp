// The line of ptfit's progress on a terminal: the rate of the moves so far
// and the time left from the mean time of a block.
#include "block_progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "progress.h"

namespace {

TEST(BlockProgress, RateAndTimeLeftFromTheBlocksDone) {
  EXPECT_EQ(ptfit::block_progress_line(3, 10, 3000, 1.5),
            "ptfit: block 3 of 10 done, 2000 moves/s, about 0:00:03 left");
  // 4000 s a block, 7 blocks to come.
  EXPECT_EQ(ptfit::block_progress_line(3, 10, 30, 12000),
            "ptfit: block 3 of 10 done, 0.0025 moves/s, about 7:46:40 left");
  EXPECT_EQ(ptfit::block_progress_line(10, 10, 10000, 65),
            "ptfit: block 10 of 10 done, 154 moves/s, 0:01:05 in all");
  // A resumed run times only its own blocks: 2 in 5 s, 3 done before.
  EXPECT_EQ(ptfit::block_progress_line(5, 10, 2000, 5.0, 2),
            "ptfit: block 5 of 10 done, 400 moves/s, about 0:00:12 left");
  // A clock that has not moved gives no rate.
  EXPECT_EQ(ptfit::block_progress_line(1, 2, 5, 0),
            "ptfit: block 1 of 2 done, - moves/s, about 0:00:00 left");
}

TEST(BlockProgress, ClockTextOfDurationsThatMeanNothing) {
  EXPECT_EQ(textio::clock_text(-3), "0:00:00");
  EXPECT_EQ(textio::clock_text(std::nan("")), "0:00:00");
  EXPECT_EQ(textio::clock_text(std::numeric_limits<double>::infinity()),
            "0:00:00");
  EXPECT_EQ(textio::clock_text(1e300), "277777777:46:40");
}

}  // namespace
