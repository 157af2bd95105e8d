#include "estimators.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

#include "fft.h"

namespace ptsummary {
namespace {

// Mean ranks (1-based) of all values of the chains taken together, mapped
// to normal scores, in the chains' shape.
Chains normal_scores(const Chains& chains) {
  std::vector<std::pair<double, size_t>> all;
  for (size_t c = 0; c < chains.size(); ++c) {
    for (size_t i = 0; i < chains[c].size(); ++i) {
      all.push_back({chains[c][i], c * chains[0].size() + i});
    }
  }
  std::sort(all.begin(), all.end());
  const double s = double(all.size());
  Chains z(chains.size(), std::vector<double>(chains[0].size()));
  for (size_t i = 0; i < all.size();) {
    size_t j = i;
    while (j < all.size() && all[j].first == all[i].first) ++j;
    const double rank = (double(i + 1) + double(j)) / 2;  // ranks i+1..j
    const double score = inverse_normal((rank - 0.375) / (s + 0.25));
    for (size_t k = i; k < j; ++k) {
      const size_t at = all[k].second;
      z[at / chains[0].size()][at % chains[0].size()] = score;
    }
    i = j;
  }
  return z;
}

double mean_of(std::span<const double> x) {
  return std::accumulate(x.begin(), x.end(), 0.0) / double(x.size());
}

}  // namespace

std::vector<double> autocorrelation(std::span<const double> x) {
  const size_t n = x.size();
  const double m = mean_of(x);
  std::vector<std::complex<double>> f(power_of_two_above(2 * n));
  for (size_t t = 0; t < n; ++t) f[t] = x[t] - m;
  fft(f, false);
  for (std::complex<double>& v : f) v = std::norm(v);
  fft(f, true);
  std::vector<double> rho(n, 1.0);
  const double c0 = f[0].real();
  if (!(c0 > 0)) return rho;
  for (size_t k = 0; k < n; ++k) rho[k] = f[k].real() / c0;
  return rho;
}

double integrated_time(const Chains& chains, double c) {
  const size_t n = chains[0].size();
  std::vector<double> rho(n, 0.0);
  for (const std::vector<double>& x : chains) {
    const std::vector<double> r = autocorrelation(x);
    for (size_t k = 0; k < n; ++k) rho[k] += r[k] / double(chains.size());
  }
  double tau = 1.0;  // tau(0)
  for (size_t m = 1; m < n; ++m) {
    tau += 2 * rho[m];
    if (double(m) >= c * tau) return tau;
  }
  return tau;
}

double rhat(const Chains& chains) {
  const double m = double(chains.size());
  const double n = double(chains[0].size());
  std::vector<double> means;
  double w = 0;
  for (const std::vector<double>& x : chains) {
    const double mu = mean_of(x);
    double ss = 0;
    for (double v : x) ss += (v - mu) * (v - mu);
    means.push_back(mu);
    w += ss / (n - 1) / m;
  }
  const double grand = mean_of(means);
  double b = 0;  // B / n
  for (double mu : means) b += (mu - grand) * (mu - grand) / (m - 1);
  if (!(w > 0)) return NAN;
  return std::sqrt(((n - 1) / n * w + b) / w);
}

double split_rhat(const Chains& chains) {
  const size_t half = chains[0].size() / 2;
  if (half < 2) return NAN;
  const size_t second = chains[0].size() - half;  // skips an odd middle
  Chains halves;
  for (const std::vector<double>& x : chains) {
    halves.emplace_back(x.begin(), x.begin() + long(half));
    halves.emplace_back(x.begin() + long(second), x.end());
  }
  std::vector<double> sorted;
  for (const std::vector<double>& x : halves) {
    sorted.insert(sorted.end(), x.begin(), x.end());
  }
  std::sort(sorted.begin(), sorted.end());
  const double median = quantile(sorted, 0.5);
  Chains folded = halves;
  for (std::vector<double>& x : folded) {
    for (double& v : x) v = std::fabs(v - median);
  }
  const double bulk = rhat(normal_scores(halves));
  const double tail = rhat(normal_scores(folded));
  if (std::isnan(bulk) || std::isnan(tail)) return NAN;
  return std::max(bulk, tail);
}

double quantile(std::span<const double> sorted, double p) {
  const double h = double(sorted.size() - 1) * p;
  const size_t i = size_t(h);
  if (i + 1 >= sorted.size()) return sorted.back();
  return sorted[i] + (h - double(i)) * (sorted[i + 1] - sorted[i]);
}

// A rational approximation (relative error below 1.2e-9: coefficients of
// P. J. Acklam's algorithm), then one Halley step on Phi(x) - p with erfc,
// which brings it to full precision.
double inverse_normal(double p) {
  static const double a[] = {-3.969683028665376e+01,
                             2.209460984245205e+02,
                             -2.759285104469687e+02,
                             1.383577518672690e+02,
                             -3.066479806614716e+01,
                             2.506628277459239e+00};
  static const double b[] = {-5.447609879822406e+01,
                             1.615858368580409e+02,
                             -1.556989798598866e+02,
                             6.680131188771972e+01,
                             -1.328068155288572e+01};
  static const double c[] = {-7.784894002430293e-03,
                             -3.223964580411365e-01,
                             -2.400758277161838e+00,
                             -2.549732539343734e+00,
                             4.374664141464968e+00,
                             2.938163982698783e+00};
  static const double d[] = {7.784695709041462e-03,
                             3.224671290700398e-01,
                             2.445134137142996e+00,
                             3.754408661907416e+00};
  if (!(p > 0 && p < 1)) return p == 0 ? -INFINITY : p == 1 ? INFINITY : NAN;
  const double low = 0.02425;
  double x;
  if (p < low || p > 1 - low) {
    const double q = std::sqrt(-2 * std::log(p < low ? p : 1 - p));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    if (p > low) x = -x;
  } else {
    const double q = p - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) *
        q / (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
  }
  const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
  const double u = e * std::sqrt(2 * 3.141592653589793) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}

}  // namespace ptsummary
