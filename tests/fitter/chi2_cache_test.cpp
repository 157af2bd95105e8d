// The cached chi-square against a full recomputation by the same code after
// random moves, acceptances, rejections and exchanges; every vector path
// against the others; the sine kernel against the true sine.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "getdata.h"
#include "sine.h"

namespace ptfit {
namespace {

uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

// Random data (some points unweighted, `ndata` not a multiple of kLanes)
// and parameters with ranges for `nparams` of `modeltype`.
struct Case {
  Global g;
  Data d;
};

Case make_case(int modeltype, int nparams, int ndata, std::mt19937_64& gen) {
  std::uniform_real_distribution<double> u(0, 1);
  Case c;
  c.d.modeltype = modeltype;
  c.d.ndata = ndata;
  c.d.simdata.resize(3 * ndata);
  for (int i = 0; i < ndata; ++i) {
    c.d.simdata[i] = 0.25 * i;
    c.d.simdata[ndata + i] = 250 + 40 * u(gen);
    c.d.simdata[2 * ndata + i] = i % 9 == 4 ? 0.0 : 0.5 + 5 * u(gen);
  }
  c.g.nparams = nparams;
  c.g.fitparams.resize(nparams);
  for (int j = 0; j < nparams; ++j) {
    Fitparam& p = c.g.fitparams[j];
    // Periods where the layouts put them (j is 0-based), amplitudes,
    // phases and levels elsewhere.
    bool period = modeltype == 1 && j % 3 == 2;
    if (modeltype == 2 || modeltype == 3) period = j == 1;
    if (modeltype == 4)
      period = j >= 2 && ((j - 2) % 5 == 0 || (j - 2) % 5 == 2);
    p.range =
        period ? std::array<double, 2>{2, 40} : std::array<double, 2>{-30, 300};
    p.value = p.range[0] + (p.range[1] - p.range[0]) * u(gen);
  }
  return c;
}

TEST(Chi2Cache, AgreesBitForBitWithAFreshRecomputationAfterAnyWalk) {
  std::mt19937_64 gen(15);
  std::uniform_real_distribution<double> u(0, 1);
  struct Layout {
    int modeltype, nparams, ndata;
  };
  for (const Layout& l : {Layout{1, 1, 13},
                          Layout{1, 10, 203},
                          Layout{2, 7, 101},
                          Layout{2, 3, 40},
                          Layout{3, 3, 40},
                          Layout{3, 9, 64},
                          Layout{4, 11, 150},
                          Layout{0, 3, 10}}) {
    SCOPED_TRACE("modeltype " + std::to_string(l.modeltype));
    Case c = make_case(l.modeltype, l.nparams, l.ndata, gen);
    double chi2cur = chi2_fast(c.g, c.d);
    for (int step = 0; step < 3000; ++step) {
      const double r = u(gen);
      if (r < 0.1) {
        // An exchange: the temperature moves, the parameters stay.
        c.g.temperature = c.g.temperature == 1.0 ? 1.5 : 1.0;
        ASSERT_EQ(bits(chi2_fast(c.g, c.d)), bits(chi2cur)) << step;
        continue;
      }
      Fitparam& p = c.g.fitparams[gen() % l.nparams];
      const double old = p.value;
      // Mostly small steps; now and then a value that sends the sines'
      // arguments out of the kernel's range, or the old value again.
      if (r < 0.12) {
        p.value = r < 0.11 ? 1e-7 : NAN;
      } else if (r < 0.14) {
        p.value = old;
      } else {
        p.value = old + (u(gen) - 0.5) * 0.1 * (p.range[1] - p.range[0]);
      }
      const double chi2new = chi2_fast(c.g, c.d);
      Chi2Cache fresh;
      ASSERT_EQ(bits(chi2new), bits(chi2_cached(c.g, c.d, fresh))) << step;
      const double plain = chi2(c.g, c.d);
      if (std::isfinite(plain) && plain < 1e30) {
        ASSERT_NEAR(chi2new, plain, 1e-12 * plain) << step;
      }
      if (u(gen) < 0.5 && !std::isnan(p.value)) {
        chi2cur = chi2new;
      } else {
        p.value = old;
      }
    }
  }
}

TEST(Chi2Cache, EveryVectorPathGivesTheSameBits) {
  std::mt19937_64 gen(4);
  for (int ndata : {1, 8, 9, 100, 1001}) {
    for (auto [modeltype, nparams] :
         {std::pair{1, 7}, std::pair{2, 6}, std::pair{3, 5}, {4, 11}}) {
      Case c = make_case(modeltype, nparams, ndata, gen);
      Chi2Cache sse2;
      sse2.path = SimdPath::kSse2;
      const double want = chi2_cached(c.g, c.d, sse2);
      for (SimdPath path : {SimdPath::kAvx2, SimdPath::kAvx512}) {
        if (!simd_path_supported(path)) continue;
        Chi2Cache other;
        other.path = path;
        EXPECT_EQ(bits(chi2_cached(c.g, c.d, other)), bits(want))
            << simd_path_name(path) << ", model " << modeltype << ", " << ndata
            << " points";
      }
    }
  }
}

TEST(Chi2Cache, SineKernelIsWithinTwoAndAHalfUlpOfTheTrueSine) {
  std::mt19937_64 gen(9);
  double worst = 0;
  auto check = [&](double x) {
    const long double want = std::sin(static_cast<long double>(x));
    const double rounded = static_cast<double>(want);
    const double ulp =
        std::fabs(std::nextafter(rounded, 2 * rounded + 1) - rounded);
    const double err =
        static_cast<double>(std::fabs(sine_kernel(x) - want)) / ulp;
    worst = std::max(worst, err);
  };
  for (double range : {1.0, 10.0, 1e3, 1e6, 1e8}) {
    std::uniform_real_distribution<double> u(-range, range);
    for (int i = 0; i < 200000; ++i) check(u(gen));
  }
  // Near multiples of π the reduction must keep its accuracy.
  for (long k = 1; k < 40000000; k += 9973) {
    const double x = static_cast<double>(k * 3.14159265358979323846264338L);
    check(x);
    check(std::nextafter(x, 0.0));
  }
  EXPECT_LE(worst, 2.5);
  EXPECT_EQ(sine_kernel(0.0), 0.0);
}

}  // namespace
}  // namespace ptfit
