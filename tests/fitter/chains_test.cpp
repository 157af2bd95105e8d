// The chain files: the lines, the ladder a process's lines belong to, and
// the writing thread's promise that every line recorded is in the file,
// whole, when a block ends.
#include "chains.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "lines.h"
#include "startup.h"
#include "tempdir.h"

namespace ptfit {
namespace {

using testsupport::split_lines;

Global two_params() {
  Global g;
  for (const char* name : {"amp                 ", "two words           "}) {
    Fitparam p = new_fitparam();
    p.name = name;
    p.range = {0, 10};
    g.fitparams.push_back(p);
  }
  g.nparams = 2;
  g.mpiid = 3;
  return g;
}

TEST(ChainLines, TabSeparatedInTheFreeFormSpellingAndReadBackExactly) {
  Global g = two_params();
  g.fitparams[1].vary = 0;
  EXPECT_EQ(chain_header(g), "block\tmove\tladder\tprocess\tchi2\tamp\n");
  g.fitparams[1].vary = 1;
  EXPECT_EQ(chain_header(g),
            "block\tmove\tladder\tprocess\tchi2\tamp\ttwo words\n");

  // An unchanged value reuses its spelling; 0 and -0 differ in it.
  const std::vector<double> raw = {
      1, 12.5, 0.1, 0.0, 2, 12.5, 0.1, -0.0, 3, 1e-7, 1.0 / 3, 0.0};
  std::vector<Spelled> last(3);
  std::vector<char> text(3 * chain_line_room(2, 5));
  char* end = chain_lines(text.data(), 7, "\t1\t3\t", raw.data(), 2, 2, last);
  end = chain_lines(end, 7, "\t1\t3\t", raw.data() + 8, 1, 2, last);
  const std::vector<std::string> lines =
      split_lines(std::string(text.data(), end));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "7\t1\t1\t3\t12.500000000000000\t0.10000000000000001\t"
            "0.0000000000000000");
  EXPECT_EQ(lines[1],
            "7\t2\t1\t3\t12.500000000000000\t0.10000000000000001\t"
            "-0.0000000000000000");
  EXPECT_EQ(lines[2],
            "7\t3\t1\t3\t9.9999999999999995E-008\t0.33333333333333331\t"
            "0.0000000000000000");
  EXPECT_EQ(std::strtod("9.9999999999999995E-008", nullptr), 1e-7);
}

TEST(ChainLadder, ColourWithTemperingElseEachProcessAlone) {
  RunConfig c;
  c.tempering = true;
  c.ntemperatures = 2;
  c.tempratio = 2;
  c.colour = 1;
  EXPECT_EQ(chain_ladder(3, c), 1);
  // A ratio of 1 puts every level at temperature 1: each process walks
  // its own chain.
  c.tempratio = 1;
  EXPECT_EQ(chain_ladder(3, c), 3);
  c.tempering = false;
  c.tempratio = 2;
  EXPECT_EQ(chain_ladder(3, c), 3);
}

// Runs in a fresh working directory, the chain files' place.
struct InTempDir : ::testing::Test {
  testsupport::TempDir dir;
  std::string old;
  void SetUp() override {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    old = here;
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
  }
  void TearDown() override { (void)!chdir(old.c_str()); }
};

TEST_F(InTempDir, EveryLineRecordedIsInTheFileWholeAtEachBlockEnd) {
  Global g = two_params();
  RunConfig c;
  dir.write("chain_3", "a previous run's lines\n");
  dir.write("chain_4", "x");
  dir.write("chain_04", "not one of ours");
  remove_stale_chains(4);
  EXPECT_FALSE(dir.exists("chain_4"));
  EXPECT_TRUE(dir.exists("chain_04"));

  ChainWriter w;
  ASSERT_TRUE(chain_open(w, g, c));
  EXPECT_EQ(dir.read("chain_3"), chain_header(g));
  // More lines than the thread takes at a time, then a short block.
  for (int32_t n = 1; n <= 5000; ++n) {
    g.fitparams[0].value = n * 0.001;
    chain_record(w, 1, n, 100.0 + n, g);
  }
  EXPECT_EQ(chain_block_end(w), "");
  std::vector<std::string> lines = split_lines(dir.read("chain_3"));
  ASSERT_EQ(lines.size(), 5001u);
  EXPECT_EQ(lines[5000],
            "1\t5000\t3\t3\t5100.0000000000000\t5.0000000000000000\t"
            "0.0000000000000000");
  chain_record(w, 2, 1, 7.0, g);
  EXPECT_EQ(chain_block_end(w), "");
  lines = split_lines(dir.read("chain_3"));
  ASSERT_EQ(lines.size(), 5002u);
  EXPECT_EQ(lines[5001].substr(0, 8), "2\t1\t3\t3\t");
}

}  // namespace
}  // namespace ptfit
