#include "summarize.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ptsummary {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kEdge = 0.01;  // "at a bound": within 1% of the width
// The central 68.27% lies between Phi(-1) and Phi(1).
constexpr double kLow68 = 0.15865525393145707;

// Moves x by whole widths into [centre - w/2, centre + w/2).
double unwrap(double x, double centre, double w) {
  return x - w * std::floor((x - centre) / w + 0.5);
}

// The mean direction of values on a circle of circumference w that starts
// at lo, as a value in [lo, lo + w).
double mean_direction(const Chains& chains, double lo, double w) {
  double c = 0;
  double s = 0;
  for (const std::vector<double>& x : chains) {
    for (double v : x) {
      c += std::cos(kTwoPi * (v - lo) / w);
      s += std::sin(kTwoPi * (v - lo) / w);
    }
  }
  double a = std::atan2(s, c) / kTwoPi;  // (-1/2, 1/2]
  if (a < 0) a += 1;
  return lo + w * a;
}

char* spell(char* buf, size_t n, const char* format, double v) {
  std::snprintf(buf, n, format, v);
  return buf;
}

}  // namespace

Row summarize(const std::string& name, Chains chains, const Range& range) {
  Row row;
  row.name = name;
  row.range = range;
  const double w = range.width();
  size_t total = 0;
  size_t low = 0;
  size_t high = 0;
  for (const std::vector<double>& x : chains) {
    for (double v : x) {
      low += range.known && v - range.lo <= kEdge * w ? 1 : 0;
      high += range.known && range.hi - v <= kEdge * w ? 1 : 0;
    }
    total += x.size();
  }
  row.at_bound = range.known ? double(low + high) / double(total) : NAN;
  row.circular = range.known && w > 0 && low > 0 && high > 0;
  double centre = 0;
  if (row.circular) {
    centre = mean_direction(chains, range.lo, w);
    for (std::vector<double>& x : chains) {
      for (double& v : x) v = unwrap(v, centre, w);
    }
  }
  std::vector<double> all;
  for (const std::vector<double>& x : chains) {
    all.insert(all.end(), x.begin(), x.end());
  }
  std::sort(all.begin(), all.end());
  const double n = double(all.size());
  double sum = 0;
  for (double v : all) sum += v;
  row.mean = sum / n;
  double ss = 0;
  for (double v : all) ss += (v - row.mean) * (v - row.mean);
  row.sd = all.size() > 1 ? std::sqrt(ss / (n - 1)) : NAN;
  row.median = quantile(all, 0.5);
  row.lo68 = quantile(all, kLow68);
  row.hi68 = quantile(all, 1 - kLow68);
  row.lo95 = quantile(all, 0.025);
  row.hi95 = quantile(all, 0.975);
  row.constant = all.front() == all.back();
  if (row.constant) {
    row.tau = row.ess = row.rhat = NAN;
  } else {
    row.tau = integrated_time(chains);
    row.ess = n / row.tau;
    row.rhat = split_rhat(chains);
  }
  if (row.circular) {
    // The median back in the range, the rest at their distances from it.
    const double shift = unwrap(row.median, range.lo + w / 2, w) - row.median;
    for (double* v : {&row.median, &row.lo68, &row.hi68, &row.lo95, &row.hi95})
      *v += shift;
    row.mean = centre;
  }
  return row;
}

std::vector<std::string> warnings(const Row& row) {
  std::vector<std::string> out;
  char a[64];
  char b[64];
  char c[64];
  const std::string head = "warning: " + row.name + ": ";
  if (row.ess < kMinEss) {
    out.push_back(
        head + "effective sample size " + spell(a, sizeof a, "%.0f", row.ess) +
        " < " + spell(b, sizeof b, "%.0f", kMinEss) +
        " (autocorrelation time " + spell(c, sizeof c, "%.4g", row.tau) +
        " moves): too few independent samples after burn-in; run more "
        "blocks");
  }
  if (row.rhat > kMaxRhat) {
    out.push_back(head + "R-hat " + spell(a, sizeof a, "%.4f", row.rhat) +
                  " > " + spell(b, sizeof b, "%.2f", kMaxRhat) +
                  ": the ladders (or the halves of the chain) disagree; the "
                  "walk has not settled: run more blocks, burn more of them "
                  "in");
  }
  if (row.circular) {
    out.push_back(head + "the samples touch both ends of its range " +
                  spell(a, sizeof a, "%.6g", row.range.lo) + " to " +
                  spell(b, sizeof b, "%.6g", row.range.hi) +
                  " (the moves wrap around): circular statistics, the "
                  "interval read modulo the width " +
                  spell(c, sizeof c, "%.6g", row.range.width()));
  } else if (row.at_bound > kMaxAtBound) {
    out.push_back(head + spell(a, sizeof a, "%.1f", 100 * row.at_bound) +
                  "% of the samples lie within 1% of the range's width of a "
                  "bound (range " +
                  spell(b, sizeof b, "%.6g", row.range.lo) + " to " +
                  spell(c, sizeof c, "%.6g", row.range.hi) +
                  "): the posterior is piled against it; widen the range");
  }
  return out;
}

}  // namespace ptsummary
