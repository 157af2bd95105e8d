// Least-squares line and local maxima against worked examples and a plain
// reference written from their definitions.
#include "localfit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace ionoscan {
namespace {

TEST(Fit, LineThroughThreeCollinearPoints) {
  const std::vector<double> x{1, 2, 3}, y{1, 3, 5};
  double a = 0, b = 0;
  fit(x, y, a, b);
  EXPECT_EQ(a, -1.0);
  EXPECT_EQ(b, 2.0);
}

TEST(Fit, MatchesTheNormalEquationsOnNoisyData) {
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 0.3);
  std::vector<double> x, y;
  for (int i = 0; i < 50; ++i) {
    x.push_back(0.5 * i - 3.0);
    y.push_back(2.0 - 0.7 * x.back() + noise(rng));
  }
  double a = 0, b = 0;
  fit(x, y, a, b);
  long double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (int i = 0; i < 50; ++i) {
    sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
  }
  const long double bb = (50 * sxy - sx * sy) / (50 * sxx - sx * sx);
  const long double aa = (sy - bb * sx) / 50;
  EXPECT_NEAR(b, static_cast<double>(bb), 1e-12);
  EXPECT_NEAR(a, static_cast<double>(aa), 1e-12);
}

// localmaxima written from its definition with 1-based indices: the right
// mean over p = i+5 .. i+n and the left mean over p = i-n .. i-5, both
// restricted to 1..n.
std::vector<int32_t> reference_flags(const std::vector<double>& x,
                                     std::vector<double>& y,
                                     double thresh,
                                     std::vector<double>* dout = nullptr) {
  const int n = static_cast<int>(x.size());
  double a = 0, b = 0;
  fit(x, y, a, b);
  for (int i = 1; i <= n; ++i) y[i - 1] = y[i - 1] - a - b * x[i - 1];
  double m = 0, q = 0;
  for (int i = 1; i <= n; ++i) {
    m = m + y[i - 1] / n;
    q = q + y[i - 1] * y[i - 1] / n;
  }
  const double sd = std::sqrt(q - m * m);
  std::vector<int32_t> flag(n, 0);
  for (int i = 1; i <= n; ++i) {
    double sr = 0, sl = 0;
    int nr = 0, nl = 0;
    for (int p = i + 5; p <= i + n; ++p) {
      if (p >= 1 && p <= n) sr += y[p - 1], ++nr;
    }
    for (int p = i - n; p <= i - 5; ++p) {
      if (p >= 1 && p <= n) sl += y[p - 1], ++nl;
    }
    double d = 0;
    if (nr > 0) d = y[i - 1] - sr / nr;
    if (nl > 0) d = d + y[i - 1] - sl / nl;
    if (nr > 0 && nl > 0) d = d / 2;
    if (dout) dout->push_back(d);
    flag[i - 1] = d > thresh * sd ? 1 : 0;
  }
  return flag;
}

TEST(LocalMaxima, SingleSpikeIsTheOnlyFlaggedPoint) {
  std::vector<double> x, y(11, 0.0);
  for (int i = 1; i <= 11; ++i) x.push_back(i);
  y[5] = 10;
  std::vector<double> ref_y = y, d;
  reference_flags(x, ref_y, 3.0, &d);
  std::vector<int32_t> flag(11, 7);
  localmaxima(x, y, flag, 3.0);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(flag[i], i == 5 ? 1 : 0) << i;
  // Residuals from the line a = 10/11, b = 0.
  EXPECT_NEAR(y[0], -10.0 / 11.0, 1e-12);
  EXPECT_NEAR(y[5], 10.0 - 10.0 / 11.0, 1e-12);
  EXPECT_NEAR(d[5], 10.0, 1e-12);
  EXPECT_NEAR(d[0], -5.0 / 3.0, 1e-12);
  EXPECT_NEAR(d[10], -5.0 / 3.0, 1e-12);

  // The ends stand 5/3 below their surroundings and sd is about 2.875, so a
  // threshold just below -5/3/sd flags them and one just above does not.
  const double sd = std::sqrt(10.0 / 11.0 * (1.0 - 1.0 / 11.0) * 10.0);
  EXPECT_NEAR(sd, 2.875, 1e-3);
  std::vector<double> y2(11, 0.0);
  y2[5] = 10;
  localmaxima(x, y2, flag, -5.0 / 3.0 / sd - 1e-6);
  EXPECT_EQ(flag[0], 1);
  EXPECT_EQ(flag[10], 1);
  y2.assign(11, 0.0);
  y2[5] = 10;
  localmaxima(x, y2, flag, -5.0 / 3.0 / sd + 1e-6);
  EXPECT_EQ(flag[0], 0);
  EXPECT_EQ(flag[10], 0);
}

TEST(LocalMaxima, ProfilesOfFiveOrFewerPointsFlagNothing) {
  for (int n = 2; n <= 5; ++n) {
    std::vector<double> x, y;
    for (int i = 0; i < n; ++i) x.push_back(i), y.push_back(i % 2 ? 9 : -4);
    std::vector<int32_t> flag(n, 1);
    localmaxima(x, y, flag, 0.0);
    for (int i = 0; i < n; ++i) EXPECT_EQ(flag[i], 0) << n;
  }
}

TEST(LocalMaxima, AgreesBitForBitWithThePlainDefinition) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-5.0, 5.0);
  for (int n : {6, 7, 9, 10, 11, 23, 64}) {
    for (double thresh : {-0.5, 0.0, 0.8, 2.0}) {
      std::vector<double> x, y;
      for (int i = 0; i < n; ++i) {
        x.push_back(1.5 * i + u(rng));
        y.push_back(0.3 * x.back() + u(rng));
      }
      std::vector<double> ref_y = y;
      const std::vector<int32_t> want = reference_flags(x, ref_y, thresh);
      std::vector<int32_t> flag(n, 5);
      localmaxima(x, y, flag, thresh);
      EXPECT_EQ(flag, want) << n << " " << thresh;
      EXPECT_EQ(y, ref_y);
    }
  }
}

}  // namespace
}  // namespace ionoscan
