// The estimators against values worked out independently: the
// autocorrelation of a short chain by hand, the autocorrelation time and
// effective sample size of AR(1) chains (x_t = phi x_{t-1} + noise has
// rho_k = phi^k and tau = (1 + phi) / (1 - phi)), and R-hat on small
// chains whose ranks and normal scores were computed by hand.
#include "estimators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "summarize.h"

namespace ptsummary {
namespace {

// `m` stationary AR(1) chains of length n with unit variance, from a
// fixed stream (Box-Muller on mt19937_64, both fully specified).
Chains ar1(double phi, int m, size_t n, uint64_t seed) {
  std::mt19937_64 stream(seed);
  const auto normal = [&stream] {
    const double u = double((stream() >> 11) + 1) * 0x1.0p-53;
    const double v = double(stream() >> 11) * 0x1.0p-53;
    return std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v);
  };
  Chains chains(static_cast<size_t>(m), std::vector<double>(n));
  for (std::vector<double>& x : chains) {
    x[0] = normal();
    for (size_t t = 1; t < n; ++t) {
      x[t] = phi * x[t - 1] + std::sqrt(1 - phi * phi) * normal();
    }
  }
  return chains;
}

TEST(Autocorrelation, ByFftEqualsTheSumsWorkedOutByHand) {
  // 1 2 3 4: deviations -1.5 -0.5 0.5 1.5; lag sums 5, 1.25, -1.5, -2.25.
  const std::vector<double> rho =
      autocorrelation(std::vector<double>{1, 2, 3, 4});
  ASSERT_EQ(rho.size(), 4u);
  EXPECT_NEAR(rho[0], 1.0, 1e-15);
  EXPECT_NEAR(rho[1], 0.25, 1e-15);
  EXPECT_NEAR(rho[2], -0.3, 1e-15);
  EXPECT_NEAR(rho[3], -0.45, 1e-15);
  // A chain that never moves never decorrelates.
  EXPECT_EQ(autocorrelation(std::vector<double>{2, 2, 2}),
            std::vector<double>({1, 1, 1}));
}

TEST(IntegratedTime, OfAr1ChainsIsOnePlusPhiOverOneMinusPhi) {
  // 4 x 2^17 samples: the estimate scatters by about 1.1% (phi 0.5) and
  // 2.7% (phi 0.9) of tau; the streams are fixed, so the outcome is too.
  const size_t n = size_t(1) << 17;
  const Chains fast = ar1(0.5, 4, n, 1);
  EXPECT_NEAR(integrated_time(fast), 3.0, 0.15);
  const Chains slow = ar1(0.9, 4, n, 2);
  const double tau = integrated_time(slow);
  EXPECT_NEAR(tau, 19.0, 1.9);
  // The effective sample size is all samples over tau: 4m / 19 for 4
  // chains of m (a shorter run: within 25%).
  const size_t m = size_t(1) << 14;
  const Row row = summarize("x", ar1(0.9, 4, m, 5), Range{});
  EXPECT_DOUBLE_EQ(row.ess, 4.0 * double(m) / row.tau);
  EXPECT_NEAR(row.ess, 4.0 * double(m) / 19, 0.25 * 4.0 * double(m) / 19);
  // Chains too short for their correlation: tau is the whole sum so far.
  EXPECT_LT(integrated_time(ar1(0.99, 1, 50, 3)), 50.0 / 5);
}

TEST(SplitRhat, MatchesRanksAndNormalScoresWorkedOutByHand) {
  // Halves 1 3 | 2 4 | 5 7 | 6 8: the ranks are the values, the scores
  // Phi^-1((r - 3/8) / 8.25); R-hat of the scores 1.64021868570863, of the
  // folded distances |x - 4.5| (tied in pairs) 0.84240020848192.
  EXPECT_NEAR(
      split_rhat({{1, 3, 2, 4}, {5, 7, 6, 8}}), 1.6402186857086332, 1e-12);
  // Odd lengths leave the middle out: halves 1 3 | 9 4 | 5 7 | 9 8, the
  // two 9s tied; bulk 1.46288290431987, folded (|x - 6|) 1.77245745515613.
  EXPECT_NEAR(split_rhat({{1, 3, 2, 9, 4}, {5, 7, 6, 9, 8}}),
              1.7724574551561325,
              1e-12);
  // The classic R-hat of the raw halves, for comparison.
  EXPECT_NEAR(
      rhat({{1, 3}, {2, 4}, {5, 7}, {6, 8}}), 1.8257418583505538, 1e-14);
  EXPECT_TRUE(std::isnan(split_rhat({{1, 2, 3}})));  // halves of one draw
}

TEST(SplitRhat, IsNearOneForAgreeingAr1ChainsAndFlagsAShiftedOne) {
  Chains chains = ar1(0.9, 4, 20000, 4);
  EXPECT_LT(split_rhat(chains), 1.005);
  // One ladder alone: its two halves.
  EXPECT_LT(split_rhat({chains[0]}), 1.01);
  // Ranks do not see a monotone transformation.
  Chains exp_chains = chains;
  for (std::vector<double>& x : exp_chains) {
    for (double& v : x) v = std::exp(v);
  }
  EXPECT_DOUBLE_EQ(split_rhat(exp_chains), split_rhat(chains));
  for (double& v : chains[0]) v += 1.0;  // a standard deviation
  EXPECT_GT(split_rhat(chains), 1.05);
}

TEST(InverseNormal, FullPrecisionInTheCentreAndTheTails) {
  EXPECT_NEAR(inverse_normal(0.975), 1.9599639845400536, 1e-15);
  EXPECT_NEAR(inverse_normal(0.3), -0.5244005127080407, 1e-15);
  EXPECT_NEAR(inverse_normal(1e-10), -6.361340902404056, 1e-13);
  EXPECT_EQ(inverse_normal(0.5), 0.0);
}

}  // namespace
}  // namespace ptsummary
