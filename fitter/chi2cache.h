// What the cached chi-square keeps between calls: per sine of the model
// its values at every data point for the two most recent (period, phase)
// pairs, so that a trial recomputes only the sines its parameter changed
// and a rejected trial, which restores the old value, recomputes nothing.
// The functions are in getdata.h (chi2_cached, chi2_fast).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "chi2_kernels.h"

namespace ptfit {

// Allocates on 64-byte boundaries (a cache line, an AVX-512 vector).
template <class T>
struct CacheLineAllocator {
  using value_type = T;
  CacheLineAllocator() = default;
  template <class U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}
  T* allocate(size_t n) {
    return static_cast<T*>(
        ::operator new (n * sizeof(T), std::align_val_t{64}));
  }
  void deallocate(T* p, size_t) { ::operator delete (p, std::align_val_t{64}); }
  template <class U>
  bool operator==(const CacheLineAllocator<U>&) const {
    return true;
  }
};

using PointArray = std::vector<double, CacheLineAllocator<double>>;

// One array over the points that depends on one or two parameter values
// (its key, as bit patterns), kept for the two most recent keys.
struct KeyedArray {
  std::array<PointArray, 2> values;
  std::array<std::array<uint64_t, 2>, 2> key{};
  std::array<bool, 2> filled{false, false};
  int32_t current = 0;  // the slot of the latest use
};

struct Chi2Cache {
  SimdPath path = widest_simd_path();

  // What the arrays were made for; a call with anything else makes them
  // anew. The data are expected not to change in place.
  bool built = false;
  int32_t modeltype = 0;
  int32_t nparams = 0;
  int32_t ndata = 0;
  const double* data = nullptr;
  size_t size = 0;

  // The points, padded to a multiple of kLanes (w 0, y 0, ss 1).
  int32_t npad = 0;
  PointArray w;     // t_i * 2 * π
  PointArray y;     // observed values
  PointArray ss;    // s_i^2 where it weights the point (models 2-4), else 1
  double wmax = 0;  // the largest |w_i|; NaN when some w_i is NaN

  // Per sine of the model: w_i / period (keyed by the period) and
  // sin(phase + w_i / period) (keyed by period and phase). Model 1: one
  // sine per sinusoid; models 2 and 3: one; model 4: two per product, the
  // factor with p(j+3), p(j+4) first.
  std::vector<KeyedArray> quotients;
  std::vector<KeyedArray> sines;

  // Models 2 and 3: p(k_i) of every point, the first point of each segment
  // (and ndata at the end), and the value each segment holds.
  PointArray level;
  std::vector<int32_t> segment_first;
  int32_t first_level = 4;  // parameter number of the first segment's level
  bool levels_filled = false;
  std::vector<uint64_t> level_key;

  // The last sum and the parameter values (bit patterns) it was made for.
  bool summed = false;
  std::vector<uint64_t> sum_key;
  double sum = 0;

  // Scratch for the sum: each term's sine array(s) and amplitude.
  std::vector<const double*> term_a;
  std::vector<const double*> term_b;
  std::vector<double> amplitude;
};

}  // namespace ptfit
