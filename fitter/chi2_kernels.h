// The vector loops of the cached chi-square, compiled once per x86-64
// vector width and chosen at run time: the quotients and sines of one term
// over all points, and the sum of the squared residuals of each model.
// Every width gives the same bits: the loops use the same IEEE operations
// in the same order, and the sum over the points has a fixed order of
// kLanes partial sums whatever the width (see sum_* below).
#pragma once

#include <cstdint>

namespace ptfit {

// Points are summed in kLanes partial sums: point i (0-based) goes to lane
// i mod kLanes, each lane adds its points in increasing order, and the lanes
// are added as ((l0 + l1) + (l2 + l3)) + ((l4 + l5) + (l6 + l7)).
constexpr int32_t kLanes = 8;

// The vector widths: SSE2 (2 doubles, every x86-64 processor), AVX2 (4)
// and AVX-512 (8).
enum class SimdPath { kSse2, kAvx2, kAvx512 };

// The widest path that the running processor (and its operating system)
// supports.
SimdPath widest_simd_path();
// True when the running processor supports `path`.
bool simd_path_supported(SimdPath path);
// "SSE2, 2 lanes", "AVX2, 4 lanes" or "AVX-512, 8 lanes".
const char* simd_path_name(SimdPath path);

// The loops of one path. Arrays hold n values, padded with readable values
// up to a multiple of kLanes; `n` itself need not be a multiple.
struct Chi2Kernels {
  // q_i = w_i / period and out_i = sine_kernel(phase + q_i) for i < n (the
  // caller replaces the sines of arguments outside the kernel's range).
  void (*quotient_sines)(const double* w,
                         double period,
                         double phase,
                         double* q,
                         double* out,
                         int32_t n);
  // out_i = sine_kernel(phase + q_i) for i < n.
  void (*sines)(const double* q, double phase, double* out, int32_t n);
  // Model 1: sum of r_i^2, r_i = y_i - m_i,
  // m_i = p1 + sum over k of s[k][i] a[k] (added in k order).
  double (*sum_model1)(const double* y,
                       int32_t n,
                       double p1,
                       const double* const* s,
                       const double* a,
                       int32_t nterms);
  // Model 2: sum of r_i^2 / ss_i, m_i = s_i p1 + level_i.
  double (*sum_model2)(const double* y,
                       const double* ss,
                       int32_t n,
                       const double* s,
                       double p1,
                       const double* level);
  // Model 3: sum of r_i^2 / ss_i, m_i = s_i level_i + p1.
  double (*sum_model3)(const double* y,
                       const double* ss,
                       int32_t n,
                       const double* s,
                       double p1,
                       const double* level);
  // Model 4: sum of r_i^2 / ss_i,
  // m_i = p1 + sum over k of (sa[k][i] a[k]) sb[k][i] (added in k order).
  double (*sum_model4)(const double* y,
                       const double* ss,
                       int32_t n,
                       double p1,
                       const double* const* sa,
                       const double* const* sb,
                       const double* a,
                       int32_t nterms);
};

// The loops of `path`.
// REQUIRES: simd_path_supported(path).
const Chi2Kernels& chi2_kernels(SimdPath path);

}  // namespace ptfit
