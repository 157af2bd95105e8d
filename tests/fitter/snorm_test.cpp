// The normal deviates drawn from the process's stream.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "getdata.h"
#include "rng.h"

namespace ptfit {
namespace {

TEST(Snorm, MomentsAndTailsOfAMillionDraws) {
  Rng r;
  rng_seed(r, std::array<uint32_t, 8>{42});
  const int n = 1000000;
  double sum = 0, sum2 = 0, sum3 = 0, sum4 = 0;
  long above_a32 = 0, below_a32 = 0, above3 = 0, below3 = 0, within1 = 0;
  for (int k = 0; k < n; ++k) {
    const double x = snorm(r);
    ASSERT_TRUE(std::isfinite(x));
    sum += x;
    sum2 += x * x;
    sum3 += x * x * x;
    sum4 += x * x * x * x;
    above_a32 += x > 2.153875;
    below_a32 += x < -2.153875;
    above3 += x > 3;
    below3 += x < -3;
    within1 += std::fabs(x) < 1;
  }
  EXPECT_NEAR(sum / n, 0.0, 0.005);
  EXPECT_NEAR(sum2 / n, 1.0, 0.01);
  EXPECT_NEAR(sum3 / n, 0.0, 0.03);
  EXPECT_NEAR(sum4 / n, 3.0, 0.06);
  // P(x > a(32)) = 1/64; P(x > 3) = 0.0013499; P(|x| < 1) = 0.682689.
  EXPECT_NEAR(above_a32, n / 64.0, 700);
  EXPECT_NEAR(below_a32, n / 64.0, 700);
  EXPECT_NEAR(above3, 1349.9, 180);
  EXPECT_NEAR(below3, 1349.9, 180);
  EXPECT_NEAR(within1 / double(n), 0.682689, 0.003);
}

TEST(Snorm, ZeroDeviateInTheTailEndsWithAFiniteValue) {
  // A first deviate of exactly 0 enters the tail with nothing to double.
  Rng r;
  r.s[1] = 0;
  const float x = snorm(r);
  EXPECT_TRUE(std::isfinite(x));
  EXPECT_GT(x, 2.153875f);
}

TEST(Gennor, ScalesAndShiftsTheSameDeviate) {
  Rng r;
  for (float av : {0.0f, -3.5f, 1e6f}) {
    EXPECT_EQ(gennor(av, 0.0f, r), av);
  }
  Rng a, b;
  const float x = snorm(a);
  EXPECT_EQ(gennor(3.0f, 2.0f, b), 3.0f + 2.0f * x);
}

}  // namespace
}  // namespace ptfit
