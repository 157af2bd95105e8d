// The chi-square of the four models against a plain reference written
// here, for random parameters and data; the segment index, the weight
// threshold and the start-up check of the parameter count.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "getdata.h"

namespace ptfit {
namespace {

// The reference: p and the columns 0-based, formulas as the models read.
double reference_chi2(int modeltype,
                      const std::vector<double>& p,
                      const std::vector<double>& t,
                      const std::vector<double>& y,
                      const std::vector<double>& s) {
  const double pi = 3.141592653589793;
  const int np = static_cast<int>(p.size());
  const int n = static_cast<int>(t.size());
  if (modeltype < 1 || modeltype > 4) return 0.0;
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    double m = 0;
    const double w = t[i] * 2 * pi;
    if (modeltype == 1) {
      m = p[0];
      for (int j = 1; j < np; j += 3)
        m = std::sin(p[j + 2] + w / p[j + 1]) * p[j] + m;
    } else if (modeltype == 4) {
      m = p[0];
      for (int j = 1; j < np; j += 5) {
        m = (std::sin(p[j + 4] + w / p[j + 3]) * p[j]) *
                std::sin(p[j + 2] + w / p[j + 1]) +
            m;
      }
    } else {
      float len = float(n) / (float(np) - 3.0f);
      int k = 4 + int(float(i + 1) / len);  // 1-based parameter number
      if (k > np) k = np;
      const double sine = std::sin(p[2] + w / p[1]);
      m = modeltype == 2 ? sine * p[0] + p[k - 1] : sine * p[k - 1] + p[0];
    }
    const double r = y[i] - m;
    const double floor = double(1.0e-7f);
    if (modeltype == 1 || std::fabs(s[i]) <= floor) {
      sum += r * r;
    } else {
      sum += (r * r) / (s[i] * s[i]);
    }
  }
  return sum;
}

struct Fixture {
  Global g;
  Data d;
  std::vector<double> p, t, y, s;
};

Fixture make_fixture(int modeltype,
                     int nparams,
                     int ndata,
                     std::mt19937_64& gen) {
  std::uniform_real_distribution<double> amp(-5, 5), period(0.5, 30),
      phase(-3.2, 3.2), time(0, 240), value(100, 300), sigma(0.1, 20);
  Fixture st;
  st.g.nparams = nparams;
  st.g.fitparams.resize(nparams);
  for (int j = 0; j < nparams; ++j) {
    // Every parameter gets a plausible period so that any layout works.
    double v = (j % 2 == 0) ? amp(gen) * 40 : period(gen);
    if (j % 3 == 2) v = phase(gen);
    st.g.fitparams[j].value = v;
    st.p.push_back(v);
  }
  st.d.modeltype = modeltype;
  st.d.ndata = ndata;
  for (int i = 0; i < ndata; ++i) st.t.push_back(time(gen));
  for (int i = 0; i < ndata; ++i) st.y.push_back(value(gen));
  for (int i = 0; i < ndata; ++i) {
    // Some uncertainties at or below the weight threshold.
    st.s.push_back(i % 7 == 3 ? 0.0 : (i % 11 == 5 ? -1e-8 : sigma(gen)));
  }
  st.d.simdata = st.t;
  st.d.simdata.insert(st.d.simdata.end(), st.y.begin(), st.y.end());
  st.d.simdata.insert(st.d.simdata.end(), st.s.begin(), st.s.end());
  return st;
}

TEST(Chi2, EveryModelAgreesBitForBitWithThePlainReference) {
  std::mt19937_64 gen(20261208);
  struct Case {
    int modeltype;
    std::vector<int> nparams;
  };
  for (const Case& c : {Case{1, {1, 4, 7, 13}},
                        Case{2, {4, 5, 6, 11}},
                        Case{3, {4, 5, 9}},
                        Case{4, {1, 6, 11, 16}}}) {
    for (int np : c.nparams) {
      for (int ndata : {1, 7, 10, 97, 500}) {
        Fixture st = make_fixture(c.modeltype, np, ndata, gen);
        const double want = reference_chi2(c.modeltype, st.p, st.t, st.y, st.s);
        const double got = chi2(st.g, st.d);
        EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(want))
            << "model " << c.modeltype << " nparams " << np << " ndata "
            << ndata << ": " << got << " vs " << want;
        EXPECT_EQ(st.d.pi, 3.141592653589793);
      }
    }
  }
}

TEST(Chi2, OtherModelTypesGiveZero) {
  std::mt19937_64 gen(7);
  for (int modeltype : {0, 5, -1}) {
    Fixture st = make_fixture(modeltype, 4, 20, gen);
    EXPECT_EQ(chi2(st.g, st.d), 0.0);
  }
}

TEST(Chi2, ConstantModelIgnoresUncertainties) {
  Fixture st;
  st.g.nparams = 1;
  st.g.fitparams.resize(1);
  st.g.fitparams[0].value = 2.0;
  st.d.modeltype = 1;
  st.d.ndata = 3;
  st.d.simdata = {0, 1, 2, /*y*/ 1, 5, 2, /*s*/ 0, 2, 1e-9};
  EXPECT_EQ(chi2(st.g, st.d), 1.0 + 9.0 + 0.0);
}

TEST(Chi2, WeightThresholdIsTheSinglePrecisionValueWidened) {
  // Model 2 with amplitude 0: the model is the baseline p(4) = 0, so each
  // point contributes y^2 or y^2/s^2.
  Fixture st;
  st.g.nparams = 4;
  st.g.fitparams.resize(4);
  st.g.fitparams[1].value = 10;  // period
  st.d.modeltype = 2;
  st.d.ndata = 1;
  auto one = [&](double y, double s) {
    st.d.simdata = {0, y, s};
    return chi2(st.g, st.d);
  };
  const double floor = 1.0000000116860974e-7;
  EXPECT_EQ(kWeightFloor, floor);
  EXPECT_EQ(one(3, 0), 9.0);
  EXPECT_EQ(one(3, 2), 9.0 / 4.0);
  EXPECT_EQ(one(3, -2), 9.0 / 4.0);
  EXPECT_EQ(one(3, 1.0e-7), 9.0);  // below the widened float
  EXPECT_EQ(one(3, floor), 9.0);   // not above it
  const double above = std::nextafter(floor, 1.0);
  EXPECT_EQ(one(3, above), 9.0 / (above * above));
}

TEST(Chi2, SegmentIndexOfTenPointsInTwoSegments) {
  std::vector<int> k;
  for (int i = 1; i <= 10; ++i) k.push_back(segment_index(i, 10, 5));
  EXPECT_EQ(k, (std::vector<int>{4, 4, 4, 4, 5, 5, 5, 5, 5, 5}));
  // Seen through chi2: baselines 100 and 200, amplitude 0, data at 100.
  Fixture st;
  st.g.nparams = 5;
  st.g.fitparams.resize(5);
  st.g.fitparams[1].value = 10;
  st.g.fitparams[3].value = 100;
  st.g.fitparams[4].value = 200;
  st.d.modeltype = 2;
  st.d.ndata = 10;
  st.d.simdata.assign(30, 0.0);
  for (int i = 0; i < 10; ++i) st.d.simdata[10 + i] = 100;
  for (int i = 0; i < 10; ++i) st.d.simdata[20 + i] = 1;
  EXPECT_EQ(chi2(st.g, st.d), 6 * 100.0 * 100.0);
  // Three points in three segments: one point each, the last clamped.
  EXPECT_EQ(segment_index(1, 3, 6), 5);
  EXPECT_EQ(segment_index(3, 3, 6), 6);
}

TEST(Chi2, ParameterCountsThatLeaveAGroupIncompleteAreRefused) {
  std::string msg;
  for (int np : {1, 4, 7, 31}) EXPECT_TRUE(check_nparams(1, np, msg)) << np;
  for (int np : {0, 2, 3, 5, 6}) {
    EXPECT_FALSE(check_nparams(1, np, msg)) << np;
    EXPECT_NE(msg.find("1+3k"), std::string::npos) << msg;
  }
  for (int np : {1, 6, 11}) EXPECT_TRUE(check_nparams(4, np, msg)) << np;
  for (int np : {0, 2, 5, 7, 10}) EXPECT_FALSE(check_nparams(4, np, msg)) << np;
  for (int m : {2, 3}) {
    EXPECT_TRUE(check_nparams(m, 3, msg));  // no segment: k clamps to 3
    EXPECT_TRUE(check_nparams(m, 40, msg));
    for (int np : {0, 1, 2}) EXPECT_FALSE(check_nparams(m, np, msg)) << np;
  }
  EXPECT_TRUE(check_nparams(0, 0, msg));
  EXPECT_FALSE(check_nparams(0, -1, msg));
  EXPECT_FALSE(check_nparams(1, -2, msg));

  // chi2 itself never reads past the table.
  Fixture st;
  st.g.nparams = 3;
  st.g.fitparams.resize(3);
  st.d.modeltype = 4;
  st.d.ndata = 1;
  st.d.simdata = {0, 1, 1};
  EXPECT_TRUE(std::isnan(chi2(st.g, st.d)));
}

}  // namespace
}  // namespace ptfit
