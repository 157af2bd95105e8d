#include "fft.h"

#include <cmath>
#include <utility>

namespace ptsummary {

size_t power_of_two_above(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

// Iterative Cooley-Tukey: the bit-reversal permutation, then butterflies
// of length 2, 4, ..., n. The twiddle factors of a stage come from cos and
// sin of each index (not from repeated products), so rounding does not
// grow along a stage.
void fft(std::vector<std::complex<double>>& a, bool inverse) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; (j & bit) != 0; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  const double sign = inverse ? 1.0 : -1.0;
  const double pi = 3.141592653589793;
  for (size_t len = 2; len <= n; len <<= 1) {
    const size_t half = len / 2;
    std::vector<std::complex<double>> w(half);
    for (size_t k = 0; k < half; ++k) {
      const double angle = sign * 2 * pi * double(k) / double(len);
      w[k] = {std::cos(angle), std::sin(angle)};
    }
    for (size_t start = 0; start < n; start += len) {
      for (size_t k = 0; k < half; ++k) {
        const std::complex<double> u = a[start + k];
        const std::complex<double> b = a[start + k + half];
        // the plain product (std::complex's operator* checks for
        // infinities at every call)
        const std::complex<double> v(
            b.real() * w[k].real() - b.imag() * w[k].imag(),
            b.real() * w[k].imag() + b.imag() * w[k].real());
        a[start + k] = u + v;
        a[start + k + half] = u - v;
      }
    }
  }
  if (inverse) {
    for (std::complex<double>& x : a) x /= double(n);
  }
}

}  // namespace ptsummary
