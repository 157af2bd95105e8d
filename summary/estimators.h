// What the samples of one quantity say and how far to trust them: the
// autocorrelation of a chain, the integrated autocorrelation time over the
// chains of all ladders, the split rank-normalised R-hat, quantiles, and
// the inverse of the normal distribution they need.
#pragma once

#include <span>
#include <vector>

namespace ptsummary {

// One chain per ladder, all of the same length, in move order.
using Chains = std::vector<std::vector<double>>;

// The normalised autocorrelation function of x at lags 0..n-1,
//   rho_k = sum_t (x_t - m)(x_{t+k} - m) / sum_t (x_t - m)^2,
// by FFT (zero-padded to a power of two of at least 2n). A chain without
// spread (all values equal) never decorrelates: every rho_k is 1.
std::vector<double> autocorrelation(std::span<const double> x);

// The integrated autocorrelation time in steps of the chains:
//   tau(M) = 1 + 2 sum_{k=1..M} rho_k,
// with rho averaged over the chains first, and the window M the first lag
// with M >= c tau(M) (Sokal's automatic window; c = 5 is the usual
// choice). When no lag qualifies (chains too short for their correlation)
// the last lag is taken: tau is then a lower bound.
// REQUIRES: at least one chain, every chain of the same length >= 1.
double integrated_time(const Chains& chains, double c = 5);

// The split, rank-normalised R-hat: every chain is cut into halves (the
// middle value of an odd length left out), all draws are ranked together
// (ties get their mean rank) and mapped to normal scores
// z = Phi^-1((r - 3/8) / (S + 1/4)) for S draws; R-hat of those, and of the
// same for the distances |x - median|, and the larger of the two. About 1
// when the chains agree. NaN when the halves hold fewer than 2 draws or the
// draws do not vary.
double split_rhat(const Chains& chains);

// The classic R-hat of equal-length chains: sqrt(((n-1)/n W + B/n) / W),
// W the mean of the chains' variances, B/n the variance of their means.
double rhat(const Chains& chains);

// The p-quantile of sorted values, interpolated linearly between order
// statistics at (n - 1) p. REQUIRES: sorted is not empty, 0 <= p <= 1.
double quantile(std::span<const double> sorted, double p);

// The inverse of the standard normal distribution function, for
// 0 < p < 1 (full double precision).
double inverse_normal(double p);

}  // namespace ptsummary
