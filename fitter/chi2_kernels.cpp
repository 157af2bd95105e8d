// The vector loops of the cached chi-square, one copy per vector width.
// The bodies are written once (always inlined) and compiled into a function
// per path with that path's target attribute; -fopenmp-simd lets the
// `omp simd` loops vectorise at -O2 (no OpenMP run time is used).
#include "chi2_kernels.h"

#include <array>
#include <cmath>

#include "sine.h"

#if defined(__x86_64__) || defined(__i386__)
#define PTFIT_X86 1
#endif

namespace ptfit {

namespace {

#define PTFIT_INLINE __attribute__((always_inline)) inline

PTFIT_INLINE void quotient_sines_body(const double* w,
                                      double period,
                                      double phase,
                                      double* q,
                                      double* out,
                                      int32_t n) {
  // q_i = w_i / period; out_i = sin(phase + q_i)
#pragma omp simd
  for (int32_t i = 0; i < n; ++i) {
    const double qi = w[i] / period;
    q[i] = qi;
    out[i] = sine_kernel(phase + qi);
  }
}

PTFIT_INLINE void sines_body(const double* q,
                             double phase,
                             double* out,
                             int32_t n) {
  // out_i = sin(phase + q_i)
#pragma omp simd
  for (int32_t i = 0; i < n; ++i) out[i] = sine_kernel(phase + q[i]);
}

// The sum over the points in kLanes partial sums (see chi2_kernels.h):
// `model(b, m)` sets m[l] to the model at point b + l, the contribution of
// a point is r^2, or r^2 / ss_i when `Weighted`. The last block reads the
// padding but adds only the lanes of real points.
template <bool Weighted, class Model>
PTFIT_INLINE double lane_sum(const double* y,
                             const double* ss,
                             int32_t n,
                             const Model& model) {
  double acc[kLanes] = {};
  double c[kLanes];
  auto block = [&](int32_t b) __attribute__((always_inline)) {
    double m[kLanes];
    model(b, m);
    for (int32_t l = 0; l < kLanes; ++l) {
      const double r = y[b + l] - m[l];
      c[l] = Weighted ? (r * r) / ss[b + l] : r * r;
    }
  };
  const int32_t nfull = n - n % kLanes;
  for (int32_t b = 0; b < nfull; b += kLanes) {
    block(b);
    for (int32_t l = 0; l < kLanes; ++l) acc[l] = acc[l] + c[l];
  }
  if (nfull < n) {
    block(nfull);
    for (int32_t l = 0; l < n - nfull; ++l) acc[l] = acc[l] + c[l];
  }
  return ((acc[0] + acc[1]) + (acc[2] + acc[3])) +
         ((acc[4] + acc[5]) + (acc[6] + acc[7]));
}

struct Model1 {
  double p1;
  const double* const* s;
  const double* a;
  int32_t nterms;
  // m = p1 + sum over k of s_k a_k, in k order
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = p1;
    for (int32_t k = 0; k < nterms; ++k) {
      const double* sk = s[k] + b;
      const double ak = a[k];
      for (int32_t l = 0; l < kLanes; ++l) m[l] = sk[l] * ak + m[l];
    }
  }
};

// Model1 for K terms known when compiling: the amplitudes and pointers stay
// in registers.
template <int K>
struct Model1Fixed {
  double p1;
  std::array<const double*, K> s;
  std::array<double, K> a;
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = p1;
    for (int32_t k = 0; k < K; ++k) {
      for (int32_t l = 0; l < kLanes; ++l) m[l] = s[k][b + l] * a[k] + m[l];
    }
  }
};

template <int K>
PTFIT_INLINE double sum_model1_fixed(const double* y,
                                     int32_t n,
                                     double p1,
                                     const double* const* s,
                                     const double* a) {
  Model1Fixed<K> model;
  model.p1 = p1;
  for (int32_t k = 0; k < K; ++k) {
    model.s[k] = s[k];
    model.a[k] = a[k];
  }
  return lane_sum<false>(y, nullptr, n, model);
}

PTFIT_INLINE double sum_model1_body(const double* y,
                                    int32_t n,
                                    double p1,
                                    const double* const* s,
                                    const double* a,
                                    int32_t nterms) {
  switch (nterms) {
    case 0:
      return sum_model1_fixed<0>(y, n, p1, s, a);
    case 1:
      return sum_model1_fixed<1>(y, n, p1, s, a);
    case 2:
      return sum_model1_fixed<2>(y, n, p1, s, a);
    case 3:
      return sum_model1_fixed<3>(y, n, p1, s, a);
    case 4:
      return sum_model1_fixed<4>(y, n, p1, s, a);
    case 5:
      return sum_model1_fixed<5>(y, n, p1, s, a);
    case 6:
      return sum_model1_fixed<6>(y, n, p1, s, a);
    default:
      return lane_sum<false>(y, nullptr, n, Model1{p1, s, a, nterms});
  }
}

struct Model2 {
  const double* s;
  double p1;
  const double* level;
  // m = s p1 + level
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = s[b + l] * p1 + level[b + l];
  }
};

struct Model3 {
  const double* s;
  double p1;
  const double* level;
  // m = s level + p1
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = s[b + l] * level[b + l] + p1;
  }
};

struct Model4 {
  double p1;
  const double* const* sa;
  const double* const* sb;
  const double* a;
  int32_t nterms;
  // m = p1 + sum over k of (sa_k a_k) sb_k, in k order
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = p1;
    for (int32_t k = 0; k < nterms; ++k) {
      const double* ak = sa[k] + b;
      const double* bk = sb[k] + b;
      const double amp = a[k];
      for (int32_t l = 0; l < kLanes; ++l) m[l] = (ak[l] * amp) * bk[l] + m[l];
    }
  }
};

template <int K>
struct Model4Fixed {
  double p1;
  std::array<const double*, K> sa;
  std::array<const double*, K> sb;
  std::array<double, K> a;
  PTFIT_INLINE void operator()(int32_t b, double* m) const {
    for (int32_t l = 0; l < kLanes; ++l) m[l] = p1;
    for (int32_t k = 0; k < K; ++k) {
      for (int32_t l = 0; l < kLanes; ++l) {
        m[l] = (sa[k][b + l] * a[k]) * sb[k][b + l] + m[l];
      }
    }
  }
};

template <int K>
PTFIT_INLINE double sum_model4_fixed(const double* y,
                                     const double* ss,
                                     int32_t n,
                                     double p1,
                                     const double* const* sa,
                                     const double* const* sb,
                                     const double* a) {
  Model4Fixed<K> model;
  model.p1 = p1;
  for (int32_t k = 0; k < K; ++k) {
    model.sa[k] = sa[k];
    model.sb[k] = sb[k];
    model.a[k] = a[k];
  }
  return lane_sum<true>(y, ss, n, model);
}

PTFIT_INLINE double sum_model4_body(const double* y,
                                    const double* ss,
                                    int32_t n,
                                    double p1,
                                    const double* const* sa,
                                    const double* const* sb,
                                    const double* a,
                                    int32_t nterms) {
  switch (nterms) {
    case 0:
      return sum_model4_fixed<0>(y, ss, n, p1, sa, sb, a);
    case 1:
      return sum_model4_fixed<1>(y, ss, n, p1, sa, sb, a);
    case 2:
      return sum_model4_fixed<2>(y, ss, n, p1, sa, sb, a);
    case 3:
      return sum_model4_fixed<3>(y, ss, n, p1, sa, sb, a);
    default:
      return lane_sum<true>(y, ss, n, Model4{p1, sa, sb, a, nterms});
  }
}

// The six loops of one path, each a function with the path's target
// attribute around the common body.
#define PTFIT_PATH_KERNELS(suffix, attr)                          \
  attr void quotient_sines_##suffix(const double* w,              \
                                    double period,                \
                                    double phase,                 \
                                    double* q,                    \
                                    double* out,                  \
                                    int32_t n) {                  \
    quotient_sines_body(w, period, phase, q, out, n);             \
  }                                                               \
  attr void sines_##suffix(                                       \
      const double* q, double phase, double* out, int32_t n) {    \
    sines_body(q, phase, out, n);                                 \
  }                                                               \
  attr double sum_model1_##suffix(const double* y,                \
                                  int32_t n,                      \
                                  double p1,                      \
                                  const double* const* s,         \
                                  const double* a,                \
                                  int32_t nterms) {               \
    return sum_model1_body(y, n, p1, s, a, nterms);               \
  }                                                               \
  attr double sum_model2_##suffix(const double* y,                \
                                  const double* ss,               \
                                  int32_t n,                      \
                                  const double* s,                \
                                  double p1,                      \
                                  const double* level) {          \
    return lane_sum<true>(y, ss, n, Model2{s, p1, level});        \
  }                                                               \
  attr double sum_model3_##suffix(const double* y,                \
                                  const double* ss,               \
                                  int32_t n,                      \
                                  const double* s,                \
                                  double p1,                      \
                                  const double* level) {          \
    return lane_sum<true>(y, ss, n, Model3{s, p1, level});        \
  }                                                               \
  attr double sum_model4_##suffix(const double* y,                \
                                  const double* ss,               \
                                  int32_t n,                      \
                                  double p1,                      \
                                  const double* const* sa,        \
                                  const double* const* sb,        \
                                  const double* a,                \
                                  int32_t nterms) {               \
    return sum_model4_body(y, ss, n, p1, sa, sb, a, nterms);      \
  }                                                               \
  const Chi2Kernels kKernels_##suffix = {quotient_sines_##suffix, \
                                         sines_##suffix,          \
                                         sum_model1_##suffix,     \
                                         sum_model2_##suffix,     \
                                         sum_model3_##suffix,     \
                                         sum_model4_##suffix};

PTFIT_PATH_KERNELS(sse2, )
#ifdef PTFIT_X86
PTFIT_PATH_KERNELS(avx2, __attribute__((target("avx2"))))
// GCC 12 keeps to 256-bit vectors on AVX-512 unless told otherwise; clang
// (the fuzzing build) knows no such target option.
#if defined(__clang__)
#define PTFIT_AVX512_TARGET __attribute__((target("avx512f")))
#else
#define PTFIT_AVX512_TARGET \
  __attribute__((target("avx512f,prefer-vector-width=512")))
#endif
PTFIT_PATH_KERNELS(avx512, PTFIT_AVX512_TARGET)
#endif

}  // namespace

bool simd_path_supported(SimdPath path) {
  switch (path) {
    case SimdPath::kSse2:
      return true;
#ifdef PTFIT_X86
    case SimdPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case SimdPath::kAvx512:
      return __builtin_cpu_supports("avx512f");
#endif
    default:
      return false;
  }
}

SimdPath widest_simd_path() {
  if (simd_path_supported(SimdPath::kAvx512)) return SimdPath::kAvx512;
  if (simd_path_supported(SimdPath::kAvx2)) return SimdPath::kAvx2;
  return SimdPath::kSse2;
}

const char* simd_path_name(SimdPath path) {
  switch (path) {
    case SimdPath::kAvx512:
      return "AVX-512, 8 lanes";
    case SimdPath::kAvx2:
      return "AVX2, 4 lanes";
    default:
      return "SSE2, 2 lanes";
  }
}

const Chi2Kernels& chi2_kernels(SimdPath path) {
#ifdef PTFIT_X86
  if (path == SimdPath::kAvx512) return kKernels_avx512;
  if (path == SimdPath::kAvx2) return kKernels_avx2;
#endif
  (void)path;
  return kKernels_sse2;
}

}  // namespace ptfit
