// ptfit's command line: the options of a run, the refusals, and the seed
// values that --seed gives every process.
#include "options.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "seed.h"

namespace ptfit {
namespace {

using Ask = textio::CommandLine::Ask;

PtfitOptions read(std::vector<const char*> args) {
  args.insert(args.begin(), "ptfit");
  return read_options(static_cast<int>(args.size()), args.data());
}

TEST(Options, RunOptionsInAnyOrderAndBothSpellingsOfTheSeed) {
  PtfitOptions o = read({});
  EXPECT_EQ(o.ask, Ask::kRun);
  EXPECT_FALSE(o.seeded || o.resume || o.progress);

  o = read({"--progress", "--seed", "18446744073709551615", "--resume"});
  EXPECT_EQ(o.ask, Ask::kRun);
  EXPECT_TRUE(o.seeded && o.resume && o.progress);
  EXPECT_EQ(o.seed, 18446744073709551615u);

  o = read({"--seed=7", "--seed", "0"});
  EXPECT_TRUE(o.seeded);
  EXPECT_EQ(o.seed, 0u);

  // --help and --version end the reading, as in every program.
  EXPECT_EQ(read({"--seed", "3", "--help", "--bogus"}).ask, Ask::kHelp);
  EXPECT_EQ(read({"--version"}).ask, Ask::kVersion);
}

TEST(Options, RefusalsNameTheArgument) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"input"}, "unexpected argument input"},
      {{"--resume", "--", "--help"}, "unknown option --"},
      {{"--seed"}, "--seed needs a value"},
      {{"--seed", "-3"}, "--seed -3: the seed must be a non-negative integer"},
      {{"--seed="}, "--seed : the seed must be a non-negative integer"},
      {{"--seed", "1e3"},
       "--seed 1e3: the seed must be a non-negative integer"},
      {{"--seed", "18446744073709551616"},
       "--seed 18446744073709551616: the seed must be below 2^64"},
  };
  for (const auto& [args, words] : cases) {
    const PtfitOptions o = read(args);
    EXPECT_EQ(o.ask, Ask::kRefused) << words;
    EXPECT_EQ(o.refusal, words);
  }
}

TEST(Seed, AGivenSeedGivesEveryProcessItsOwnRepeatableStream) {
  EXPECT_EQ(seed_words(0x123456789ULL, 3),
            (std::array<uint32_t, 8>{0x23456789u, 1u, 3u, 0, 0, 0, 0, 0}));
  std::set<double> firsts;
  for (uint64_t n : {0ULL, 1ULL, 1ULL << 32}) {
    for (int32_t id : {0, 1, 2}) {
      Rng a, b;
      seed_from(a, n, id);
      seed_from(b, n, id);
      const double first = random(a);
      EXPECT_EQ(random(b), first);
      // The 100 discarded draws: the stream starts after them.
      Rng c;
      rng_seed(c, seed_words(n, id));
      for (int k = 0; k < 100; ++k) random(c);
      EXPECT_EQ(random(c), first);
      firsts.insert(first);
    }
  }
  EXPECT_EQ(firsts.size(), 9u);
}

}  // namespace
}  // namespace ptfit
