// Least-squares line and local maxima of a profile.
#include "localfit.h"

#include <cmath>

namespace ionoscan {

void fit(std::span<const double> x,
         std::span<const double> y,
         double& a,
         double& b) {
  const std::size_t n = x.size();
  double sx = 0.0, sy = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
  }
  // The count goes through single precision, as the original arithmetic did.
  const double s = static_cast<double>(static_cast<float>(n));
  const double xm = sx / s;
  // b = sum(y t) / sum(t^2) with t = x - mean(x)
  double st2 = 0.0, syt = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = x[i] - xm;
    st2 += t * t;
    syt += y[i] * t;
  }
  b = syt / st2;
  a = (sy - b * sx) / s;
}

namespace {

// Mean of y over [lo, hi) (0-based); false when the range is empty.
bool range_mean(std::span<const double> y, long lo, long hi, double& mean) {
  if (lo >= hi) return false;
  double sum = 0.0;
  for (long p = lo; p < hi; ++p) sum += y[p];
  mean = sum / static_cast<double>(hi - lo);
  return true;
}

}  // namespace

void localmaxima(std::span<const double> x,
                 std::span<double> y,
                 std::span<int32_t> flag,
                 double thresh) {
  const long n = static_cast<long>(x.size());
  for (long i = 0; i < n; ++i) flag[i] = 0;
  double a = 0.0, b = 0.0;
  fit(x, y, a, b);
  for (long i = 0; i < n; ++i) y[i] = y[i] - a - b * x[i];

  // Moments of the residuals, each term divided by n before it is added.
  const double dn = static_cast<double>(n);
  double m = 0.0, q = 0.0;
  for (long i = 0; i < n; ++i) {
    m += y[i] / dn;
    q += y[i] * y[i] / dn;
  }
  const double sd = std::sqrt(q - m * m);

  // The four nearest points on each side take part in neither mean.
  for (long i = 0; i < n; ++i) {
    double right = 0.0, left = 0.0;
    const bool has_right = range_mean(y, i + 5, n, right);
    const bool has_left = range_mean(y, 0, i - 4, left);
    double d = 0.0;
    if (has_right) d = y[i] - right;
    if (has_left) d = d + y[i] - left;
    if (has_right && has_left) d = d / 2.0;
    if (d > thresh * sd) flag[i] = 1;
  }
}

}  // namespace ionoscan
