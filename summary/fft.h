// A small fast Fourier transform of our own: radix 2, in place, for the
// autocorrelation of chains (lengths padded to a power of two).
#pragma once

#include <complex>
#include <vector>

namespace ptsummary {

// Transforms `a` in place: forward, X_k = sum_j a_j exp(-2 pi i jk/n), or
// with `inverse` the sum with exp(+2 pi i jk/n) divided by n.
// REQUIRES: a.size() is a power of two (1 included).
void fft(std::vector<std::complex<double>>& a, bool inverse);

// The smallest power of two that is at least n (1 for n <= 1).
size_t power_of_two_above(size_t n);

}  // namespace ptsummary
