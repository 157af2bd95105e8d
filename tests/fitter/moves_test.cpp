// Proposals with their periodic wrap, the three acceptance rules, the
// Metropolis test and the adaptation of the step width.
#include "moves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace ptfit {
namespace {

bool same_state(const Rng& a, const Rng& b) {
  return std::equal(std::begin(a.s), std::end(a.s), std::begin(b.s));
}

// The next deviate of `rng`, without advancing it.
double peek(const Rng& rng) {
  Rng copy = rng;
  return random(copy);
}

// A stream whose next deviate is exactly 0 (xoshiro256** outputs 0 when
// the second state word is 0).
Rng zero_next() {
  Rng r;
  r.s[1] = 0;
  return r;
}

Fitparam param(double lo, double hi, double value) {
  Fitparam p;
  p.range = {lo, hi};
  p.value = value;
  p.maxstep = (hi - lo) / 100;
  return p;
}

TEST(Moveparams, ProposalLeavingTheRangeReentersAtTheOtherEnd) {
  const double lo = 2, hi = 7, w = hi - lo;
  Rng rng;
  rng_seed(rng, std::array<uint32_t, 8>{3});
  std::ostringstream out;
  // Below the lower bound by 0.3 w: from lo + 0.1 w, a step of -0.4 w.
  // Above the upper bound by 0.3 w: from hi - 0.1 w, a step of +0.4 w.
  for (double sign : {-1.0, 1.0}) {
    while ((sign < 0) != (peek(rng) > 0.5)) random(rng);
    const double u = peek(rng);
    Fitparam p = param(lo, hi, sign < 0 ? lo + 0.1 * w : hi - 0.1 * w);
    p.maxstep = sign * 0.4 * w / (0.5 - u);
    const double moved = p.value + (0.5 - u) * p.maxstep;
    const double want = sign < 0 ? hi - std::fmod(std::fabs(moved - hi), w)
                                 : lo + std::fmod(moved - lo, w);
    moveparams(p, 1, rng, out);
    EXPECT_EQ(p.value, want);
    EXPECT_NEAR(p.value, sign < 0 ? hi - 0.3 * w : lo + 0.3 * w, 1e-12);
  }
  EXPECT_EQ(out.str(), "");
}

TEST(Moveparams, StepsStayWithinHalfTheStepWidthAndInsideTheRange) {
  Rng rng;
  Fitparam p = param(-1, 1, 0.95);
  p.maxstep = 0.2;
  std::ostringstream out;
  for (int n = 0; n < 10000; ++n) {
    const double before = p.value;
    moveparams(p, 1, rng, out);
    ASSERT_GE(p.value, -1.0);
    ASSERT_LE(p.value, 1.0);
    double step = std::fabs(p.value - before);
    step = std::min(step, 2.0 - step);  // across the wrap
    ASSERT_LE(step, 0.1 + 1e-12);
  }
}

TEST(Moveparams, UniformDrawIgnoresTheOldValue) {
  Rng rng;
  Fitparam p = param(10, 20, 15);
  p.maxstep = 0;
  const double u = peek(rng);
  std::ostringstream out;
  moveparams(p, 11, rng, out);
  EXPECT_EQ(p.value, 10 + 10 * u);
}

TEST(Moveparams, DegenerateRangeNeverMoves) {
  Rng rng;
  Fitparam p = param(4, 4, 4);
  EXPECT_EQ(p.maxstep, 0.0);
  std::ostringstream out;
  for (int n = 0; n < 100; ++n) {
    moveparams(p, 1, rng, out);
    mcstatistics(p, evalmv(0.0, rng));
  }
  EXPECT_EQ(p.value, 4.0);
  EXPECT_EQ(p.maxstep, 0.0);
}

TEST(Moveparams, FixedParameterIsACriticalErrorThatStopsTheRun) {
  Rng rng, before;
  Fitparam p = param(0, 1, 0.5);
  p.vary = 0;
  std::ostringstream out;
  EXPECT_THROW(moveparams(p, 1, rng, out), std::logic_error);
  EXPECT_EQ(out.str(), " CRITICAL ERROR IN MOVEPARAMS\n");
  EXPECT_EQ(p.value, 0.5);
  EXPECT_TRUE(same_state(rng, before));
}

TEST(Evalmv, DownhillAcceptsWithoutDrawing) {
  Rng rng, before;
  EXPECT_EQ(evalmv(0.0, rng), 1);
  EXPECT_EQ(evalmv(-3.5, rng), 1);
  EXPECT_EQ(evalmv(-std::numeric_limits<double>::infinity(), rng), 1);
  EXPECT_TRUE(same_state(rng, before));
}

TEST(Evalmv, UphillIsClampedAtExpMinus120) {
  Rng rng;
  for (int n = 0; n < 1000; ++n) {
    Rng before = rng;
    ASSERT_EQ(evalmv(200.0, rng), 0);
    random(before);
    ASSERT_TRUE(same_state(rng, before));  // one deviate drawn
  }
  // Only a deviate below exp(-120) accepts.
  Rng zero = zero_next();
  EXPECT_EQ(evalmv(200.0, zero), 1);
  Rng zero2 = zero_next();
  EXPECT_EQ(evalmv(std::numeric_limits<double>::infinity(), zero2), 1);
}

TEST(Evalmv, NotANumberIsAccepted) {
  Rng rng;
  for (int n = 0; n < 100; ++n) {
    EXPECT_EQ(evalmv(std::numeric_limits<double>::quiet_NaN(), rng), 1);
  }
}

TEST(Evalmv, AcceptsWithProbabilityExpMinusDelta) {
  Rng rng;
  int accepted = 0;
  const int n = 200000;
  for (int k = 0; k < n; ++k) accepted += evalmv(std::log(4.0), rng);
  EXPECT_NEAR(accepted / double(n), 0.25, 0.005);
}

TEST(Acceptance, RulesBySamplingType) {
  std::ostringstream out;
  Rng rng;
  // 1: temperature divides the halved increase.
  Rng b;
  EXPECT_EQ(acceptance(1, 10, 20, 3, 0, 0, rng, out), 1);
  Rng r1;
  const double u = peek(r1);
  const double delta = (30.0 - 10.0) / 2 / 4.0;
  EXPECT_EQ(acceptance(1, 30, 10, 4, 0, 0, r1, out),
            std::exp(-delta) > u ? 1 : 0);

  // 11: always, without drawing.
  Rng r11, r11b;
  EXPECT_EQ(acceptance(11, 1e300, 0, 1, 0, 0, r11, out), 1);
  EXPECT_TRUE(same_state(r11, r11b));

  // Unknown: the message at every trial, and a rejection.
  EXPECT_EQ(acceptance(7, 0, 100, 1, 0, 0, b, out), 0);
  EXPECT_EQ(acceptance(0, 0, 100, 1, 0, 0, b, out), 0);
  EXPECT_EQ(out.str(),
            " UNDEFINIED CHOICE FOR SAMPLINGTYPE\n"
            " UNDEFINIED CHOICE FOR SAMPLINGTYPE\n");
}

TEST(Acceptance, ValueWeightedRuleAndItsLimits) {
  std::ostringstream out;
  auto rule2 = [&](double chi2new,
                   double chi2cur,
                   double value,
                   double oldvalue,
                   Rng rng) {
    return acceptance(2, chi2new, chi2cur, 5.0, value, oldvalue, rng, out);
  };
  const Rng any;
  const Rng zero = zero_next();
  // Ratio above 1: accepted whatever the deviate.
  EXPECT_EQ(rule2(10, 12, 2.0, 1.0, any), 1);
  // Opposite signs: P < 0, rejected even for a deviate of 0.
  EXPECT_EQ(rule2(10, 10, -1.0, 1.0, zero), 0);
  // Old value 0: +inf counts as 1, -inf rejects.
  EXPECT_EQ(rule2(10, 10, 1.0, 0.0, any), 1);
  EXPECT_EQ(rule2(10, 10, -1.0, 0.0, zero), 0);
  // Both factors underflow: NaN ratio counts as 1.
  EXPECT_EQ(rule2(2000, 1600, 1.0, 1.0, any), 1);
  // Only the current one underflows: ratio +inf, P = 1.
  EXPECT_EQ(rule2(10, 2000, 1.0, 1.0, any), 1);
  // Only the new one underflows: P = 0, accepted only by a deviate of 0.
  EXPECT_EQ(rule2(2000, 10, 1.0, 1.0, any), 0);
  EXPECT_EQ(rule2(2000, 10, 1.0, 1.0, zero), 1);
  // An ordinary ratio against the deviate, temperature not entering.
  const double p = (1.5 * std::exp(-11.0 / 2) / 2.0) / std::exp(-10.0 / 2);
  EXPECT_EQ(rule2(11, 10, 1.5, 2.0, any), p >= peek(any) ? 1 : 0);
  EXPECT_EQ(out.str(), "");
}

TEST(Mcstatistics, WidensAndNarrowsByTheSinglePrecisionConstant) {
  EXPECT_EQ(kStepAdapt, 0.009999999776482582);
  EXPECT_EQ(1 + kStepAdapt, 1.0099999997764826);
  EXPECT_EQ(1 - kStepAdapt, 0.9900000002235174);
  Fitparam p = param(0, 100, 50);
  const double m = p.maxstep;
  mcstatistics(p, 1);
  EXPECT_EQ(p.maxstep, m * 1.0099999997764826);
  EXPECT_EQ(p.ntried, 1);
  EXPECT_EQ(p.naccepted, 1);
  mcstatistics(p, 0);
  EXPECT_EQ(p.maxstep, 0.9900000002235174 * (m * 1.0099999997764826));
  EXPECT_EQ(p.ntried, 2);
  EXPECT_EQ(p.naccepted, 1);
  p.maxstep = 9.99;
  mcstatistics(p, 1);
  EXPECT_EQ(p.maxstep, 10.0);  // a tenth of the range
}

TEST(Mcstatistics, StepWidthSettlesAtAboutHalfAcceptance) {
  // One parameter, chi2 = ((x - 3)/0.5)^2 on [-100, 100], from the centre.
  Rng rng;
  rng_seed(rng, std::array<uint32_t, 8>{11, 22});
  Fitparam p = param(-100, 100, 0);
  std::ostringstream out;
  auto chi2_of = [](double x) { return (x - 3) * (x - 3) / 0.25; };
  double chi2cur = chi2_of(p.value);
  int accepted_late = 0;
  const int n = 40000, late = 20000;
  for (int k = 0; k < n; ++k) {
    const double oldvalue = p.value;
    moveparams(p, 1, rng, out);
    const double chi2new = chi2_of(p.value);
    const int32_t ok =
        acceptance(1, chi2new, chi2cur, 1.0, p.value, oldvalue, rng, out);
    if (ok) {
      chi2cur = chi2new;
    } else {
      p.value = oldvalue;
    }
    mcstatistics(p, ok);
    if (k >= n - late) accepted_late += ok;
  }
  EXPECT_NEAR(accepted_late / double(late), 0.5, 0.03);
  EXPECT_LT(p.maxstep, 10.0);
  EXPECT_GT(p.maxstep, 0.5);
  EXPECT_NEAR(p.value, 3.0, 3.0);
  EXPECT_EQ(p.ntried, n);
}

TEST(CheckSamplingtype, OnlyOneTwoAndElevenAreKnown) {
  std::string msg;
  for (int t : {1, 2, 11}) EXPECT_TRUE(check_samplingtype(t, msg)) << t;
  for (int t : {0, 3, 10, 12, -1}) {
    EXPECT_FALSE(check_samplingtype(t, msg)) << t;
    EXPECT_EQ(msg, "UNDEFINIED CHOICE FOR SAMPLINGTYPE");
  }
}

}  // namespace
}  // namespace ptfit
