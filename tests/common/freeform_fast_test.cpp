// The fast free-form spelling against put_real64: the same text for every
// kind of double (random bit patterns, every decade, decimal fractions,
// the neighbours of powers of ten, where the 17th digit carries over).
#include "freeform_fast.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "freeform_out.h"

namespace {

std::string fast(double x) {
  char buf[textio::kReal64Chars];
  return std::string(buf, textio::spell_real64(buf, x));
}

// Counts the values whose spellings differ, printing the first few.
int mismatches(double x, int& shown) {
  const std::string want = textio::ff_real64(x);
  const std::string got = fast(x);
  if (want == got) return 0;
  if (shown++ < 5) {
    ADD_FAILURE() << std::hexfloat << x << ": " << got << " instead of "
                  << want;
  }
  return 1;
}

TEST(FastSpelling, SameTextAsPutReal64InEveryDecade) {
  std::mt19937_64 rng(20240613);
  int bad = 0, shown = 0;
  for (int decade = -9; decade <= 18; ++decade) {
    std::uniform_real_distribution<double> u(1.0, 10.0);
    for (int i = 0; i < 40000; ++i) {
      const double x = u(rng) * std::pow(10.0, decade);
      bad += mismatches(x, shown) + mismatches(-x, shown);
    }
  }
  EXPECT_EQ(bad, 0);
}

TEST(FastSpelling, SameTextForBitPatternsAndDecimalFractions) {
  std::mt19937_64 rng(7);
  int bad = 0, shown = 0;
  for (int i = 0; i < 300000; ++i) {
    const double x = std::bit_cast<double>(rng());
    bad += mismatches(x, shown);
  }
  // Values typed by people and sums of them: 0.1, 250.25, 6.2831853, ...
  for (int64_t n = -200000; n <= 200000; n += 7) {
    for (double scale : {1.0, 10.0, 1000.0, 1e7, 1e-3}) {
      bad += mismatches(double(n) / scale, shown);
    }
  }
  EXPECT_EQ(bad, 0);
}

TEST(FastSpelling, SameTextAroundPowersOfTenAndSpecialValues) {
  int bad = 0, shown = 0;
  for (int e = -12; e <= 20; ++e) {
    double x = std::pow(10.0, e);
    for (int i = 0; i < 40; ++i) x = std::nextafter(x, 0.0);
    for (int i = 0; i < 80; ++i) {
      bad += mismatches(x, shown);
      x = std::nextafter(x, INFINITY);
    }
  }
  for (double x : {0.0,
                   -0.0,
                   0.1,
                   0.099999999999999992,
                   9.99999999999999955e-7,
                   1e-6,
                   99999999999999984.0,
                   1e17,
                   5e-324,
                   2.2250738585072014e-308,
                   1.7976931348623157e308,
                   double(NAN),
                   double(INFINITY),
                   -double(INFINITY)}) {
    bad += mismatches(x, shown);
  }
  // Exact ties at the 17th digit, rounded half to even: m / 8 with m odd
  // below 8e15 has 18 significant digits ending in 5 (m * 125 / 1000).
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<uint64_t> odd(625000000000000,
                                              3999999999999999);
  for (int i = 0; i < 20000; ++i) {
    bad += mismatches(double(2 * odd(rng) + 1) / 8.0, shown);
  }
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(fast(999999999999999.875), "999999999999999.88");
  EXPECT_EQ(fast(999999999999999.625), "999999999999999.62");
  EXPECT_EQ(fast(250.0), "250.00000000000000");
  EXPECT_EQ(fast(1e-5), "1.0000000000000001E-005");
}

}  // namespace
