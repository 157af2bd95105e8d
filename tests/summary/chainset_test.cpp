// Rebuilding the ladders' chains from the chain files: temperature 1
// moving between the processes of a ladder, a block not yet complete, and
// the files that cannot be a run's.
#include "chainset.h"

#include <gtest/gtest.h>

#include <string>

#include "tempdir.h"

namespace ptsummary {
namespace {

const char* kHeader = "block\tmove\tladder\tprocess\tchi2\tamp\n";

std::string line(int block, int move, int ladder, int process, double amp) {
  return std::to_string(block) + "\t" + std::to_string(move) + "\t" +
         std::to_string(ladder) + "\t" + std::to_string(process) + "\t" +
         std::to_string(10 * block + move) + "\t" + std::to_string(amp) + "\n";
}

// Ladder 0 (processes 0 and 1) swaps temperature 1 every other move over
// blocks 1 and 2 of 4 moves; ladder 1 (processes 2 and 3) keeps it on
// process 2. Block 3 has begun: a line on ladder 0, the start of one on
// ladder 1.
void write_run(const testsupport::TempDir& dir) {
  std::string p[4] = {kHeader, kHeader, kHeader, kHeader};
  for (int b = 1; b <= 2; ++b) {
    for (int m = 1; m <= 4; ++m) {
      p[(m - 1) / 2 % 2] += line(b, m, 0, (m - 1) / 2 % 2, b * 100 + m);
      p[2] += line(b, m, 1, 2, -(b * 100 + m));
    }
  }
  p[0] += line(3, 1, 0, 0, 301);
  p[3] += "3\t2\t1\t3\t12.5";  // being written: no newline yet
  for (int i = 0; i < 4; ++i) dir.write("chain_" + std::to_string(i), p[i]);
  dir.write("chain_07", "not a chain file of ours");
}

TEST(ReadChains, RebuildsEachLadderInMoveOrderOverTheCompleteBlocks) {
  testsupport::TempDir dir;
  write_run(dir);
  ChainSet set;
  std::string error;
  ASSERT_TRUE(read_chains(dir.path, set, error)) << error;
  EXPECT_EQ(set.names, std::vector<std::string>({"amp"}));
  EXPECT_EQ(set.nprocesses, 4);
  EXPECT_EQ(set.nmoves, 4);
  EXPECT_EQ(set.nblocks, 2);
  EXPECT_EQ(set.last_block, 3);
  ASSERT_EQ(set.ladders.size(), 2u);
  std::vector<double> amp0;
  std::vector<double> amp1;
  for (size_t i = 0; i < set.length(); ++i) {
    amp0.push_back(set.ladders[0].values[2 * i + 1]);
    amp1.push_back(set.ladders[1].values[2 * i + 1]);
  }
  EXPECT_EQ(amp0,
            std::vector<double>({101, 102, 103, 104, 201, 202, 203, 204}));
  EXPECT_EQ(amp1[7], -204);
  EXPECT_EQ(set.ladders[0].values[2 * 7], 24);  // chi2 of block 2, move 4
}

TEST(ReadChains, RefusesWhatCannotBeOneRunsFiles) {
  const auto fails_with = [](const testsupport::TempDir& dir) {
    ChainSet set;
    std::string error;
    EXPECT_FALSE(read_chains(dir.path, set, error));
    return error;
  };
  testsupport::TempDir empty;
  EXPECT_NE(fails_with(empty).find("no chain files"), std::string::npos);

  testsupport::TempDir twice;
  write_run(twice);
  twice.write("chain_4", kHeader + line(1, 2, 0, 4, 0));  // another run's
  EXPECT_NE(
      fails_with(twice).find("ladder 0 has two lines for block 1, move 2"),
      std::string::npos);

  testsupport::TempDir gap;
  write_run(gap);
  gap.write("chain_5", kHeader);
  EXPECT_NE(fails_with(gap).find("chain_4 is missing"), std::string::npos);

  testsupport::TempDir bad;
  write_run(bad);
  bad.write("chain_3", std::string(kHeader) + "1\t1\t1\t3\t5.0\n");
  EXPECT_NE(
      fails_with(bad).find("chain_3, line 2: not 6 tab-separated numbers"),
      std::string::npos);

  testsupport::TempDir other;
  write_run(other);
  other.write("chain_1", "block\tmove\tladder\tprocess\tchi2\tphase\n");
  EXPECT_NE(fails_with(other).find("differ from those of chain_0"),
            std::string::npos);

  testsupport::TempDir unfinished;
  unfinished.write("chain_0",
                   kHeader + line(1, 1, 0, 0, 1) + line(1, 3, 0, 0, 1));
  EXPECT_NE(fails_with(unfinished).find("no block is complete"),
            std::string::npos);
}

}  // namespace
}  // namespace ptsummary
