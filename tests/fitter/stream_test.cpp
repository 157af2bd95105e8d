// The uniform stream and its seeding from the tick clock.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "rng.h"
#include "seed.h"

namespace ptfit {
namespace {

TEST(Rng, XoshiroOutputsMatchTheReferenceSequence) {
  Rng r;
  r.s[0] = 1;
  r.s[1] = 2;
  r.s[2] = 3;
  r.s[3] = 4;
  EXPECT_EQ(rng_next(r), 11520u);
  EXPECT_EQ(rng_next(r), 0u);
  EXPECT_EQ(rng_next(r), 1509978240u);
  EXPECT_EQ(rng_next(r), 1215971899390074240u);
}

TEST(Rng, SmallAndZeroSeedsGiveDistinctWellMixedStreams) {
  EXPECT_EQ(rng_seed_size(), 8);
  std::set<double> firsts;
  std::vector<std::array<uint32_t, 8>> seeds = {
      {}, {1}, {0, 1}, {0, 0, 0, 0, 0, 0, 0, 1}, {2}, {1, 1}};
  for (const auto& s : seeds) {
    Rng r;
    rng_seed(r, s);
    EXPECT_NE(r.s[0] | r.s[1] | r.s[2] | r.s[3], 0u);
    // Every state word has a mixed population of bits.
    for (uint64_t w : r.s) {
      EXPECT_GT(std::popcount(w), 12);
      EXPECT_LT(std::popcount(w), 52);
    }
    firsts.insert(random(r));
  }
  EXPECT_EQ(firsts.size(), seeds.size());
  // The same seed gives the same stream.
  Rng a, b;
  rng_seed(a, seeds[3]);
  rng_seed(b, seeds[3]);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(random(a), random(b));
}

TEST(Rng, DeviatesAreUniformInTheHalfOpenUnitInterval) {
  Rng r;
  rng_seed(r, std::array<uint32_t, 8>{});
  const int n = 1000000;
  double sum = 0, sum2 = 0;
  int bins[10] = {};
  for (int k = 0; k < n; ++k) {
    const double u = random(r);
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    sum += u;
    sum2 += u * u;
    ++bins[static_cast<int>(u * 10)];
  }
  EXPECT_NEAR(sum / n, 0.5, 0.002);
  EXPECT_NEAR(sum2 / n - (sum / n) * (sum / n), 1.0 / 12, 0.001);
  for (int b : bins) EXPECT_NEAR(b, n / 10, 1000);
  // 2^-53 granularity: the deviate is the top 53 bits.
  Rng z;
  z.s[1] = 0;
  EXPECT_EQ(random(z), 0.0);
}

// A clock that advances one tick per reading.
struct FakeClock {
  int32_t count;
  int32_t rate;
  long readings = 0;
  TickReading operator()() {
    ++readings;
    TickReading r;
    r.count = count++;
    r.rate = rate;
    r.max = 0x7FFFFFFF;
    return r;
  }
};

TEST(Seed, SeedValuesAreSubsecondTicksTimesProcessNumberPlusOne) {
  for (int32_t id : {0, 1, 5}) {
    FakeClock clock{1000, 7};
    Rng got;
    long readings = 0;
    seed(got, id, [&] {
      ++readings;
      return clock();
    });
    EXPECT_EQ(readings, 8 * 100000);
    // Reading c (1-based) sees the count 1000 + c - 1.
    std::array<uint32_t, 8> want{};
    for (int i = 1; i <= 8; ++i) {
      want[i - 1] =
          static_cast<uint32_t>((1000 + i * 100000 - 1) % 7 * (id + 1));
    }
    Rng expect;
    rng_seed(expect, want);
    for (int k = 0; k < 100; ++k) random(expect);
    EXPECT_TRUE(
        std::equal(std::begin(got.s), std::end(got.s), std::begin(expect.s)))
        << id;
  }
}

TEST(Seed, ProductWrapsAndNegativeCountsKeepTheirSign) {
  // (count mod rate) * (id + 1) in 32 bits: -3 * (id + 1), wrapped.
  const int32_t id = 0x40000000;
  Rng got;
  seed(got, id, [] { return TickReading{-3, 10, 0x7FFFFFFF}; });
  std::array<uint32_t, 8> want;
  want.fill(static_cast<uint32_t>(-3) * (static_cast<uint32_t>(id) + 1u));
  Rng expect;
  rng_seed(expect, want);
  for (int k = 0; k < 100; ++k) random(expect);
  EXPECT_TRUE(
      std::equal(std::begin(got.s), std::end(got.s), std::begin(expect.s)));
}

TEST(Seed, SystemClockCountsMillisecondsWithinItsRange) {
  const TickReading a = read_tick_clock();
  const TickReading b = read_tick_clock();
  EXPECT_EQ(a.rate, 1000);
  EXPECT_EQ(a.max, 0x7FFFFFFF);
  EXPECT_GE(a.count, 0);
  EXPECT_GE(b.count, a.count);  // unless at the 24.8-day wrap
  // Two processes seeded from the same clock readings differ.
  FakeClock c0{12345, 1000}, c1{12345, 1000};
  Rng r0, r1;
  seed(r0, 0, std::ref(c0));
  seed(r1, 1, std::ref(c1));
  EXPECT_NE(random(r0), random(r1));
}

}  // namespace
}  // namespace ptfit
