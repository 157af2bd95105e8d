// ptfit end to end with models 2, 3 and 4 on two tempering processes: with
// degenerate ranges the chi-square lines and the model curve of
// "reconstructed" must equal a plain evaluation of the model written here,
// over points that cross an hour and include an unweighted point.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ptfit_run.h"

namespace {

using ptfit_test::Outcome;
using ptfit_test::run_ptfit;
using ptfit_test::series_line;
using ptfit_test::split_lines;
using ptfit_test::TempDir;

constexpr double kPiRef = 3.141592653589793;

struct Point {
  double t, y, s;
};

// Points every 15 minutes from 10:00 to 11:45 (t = 0, 0.25, ..., 1.75 h);
// the fifth has no uncertainty and counts unweighted.
std::vector<Point> points() {
  std::vector<Point> p;
  for (int i = 0; i < 8; ++i) {
    p.push_back({0.25 * i,
                 300 + 10 * std::sin(0.7 * i) + 0.125 * i,
                 i == 4 ? 0.0 : 1.5 + 0.25 * (i % 5)});
  }
  return p;
}

// The model at point i (1-based) of n, straight from its definition.
double model_ref(
    int type, const std::vector<double>& p, int i, int n, double t) {
  auto P = [&](int j) { return p[j - 1]; };
  const int np = static_cast<int>(p.size());
  auto arg = [&](int phase, int period) {
    return P(phase) + (t * 2 * kPiRef) / P(period);
  };
  if (type == 4) {
    double m = P(1);
    for (int j = 2; j <= np; j += 5) {
      m = (std::sin(arg(j + 4, j + 3)) * P(j)) * std::sin(arg(j + 2, j + 1)) +
          m;
    }
    return m;
  }
  const float len = static_cast<float>(n) / (static_cast<float>(np) - 3.0f);
  int k = 4 + static_cast<int>(static_cast<float>(i) / len);
  if (k > np) k = np;
  const double s = std::sin(arg(3, 2));
  return type == 2 ? s * P(1) + P(k) : s * P(k) + P(1);
}

double chi2_ref(int type, const std::vector<double>& p) {
  const std::vector<Point> pts = points();
  const int n = static_cast<int>(pts.size());
  double sum = 0;
  for (int i = 1; i <= n; ++i) {
    const Point& q = pts[i - 1];
    const double r = q.y - model_ref(type, p, i, n, q.t);
    sum +=
        std::fabs(q.s) > 1.0000000116860974e-7 ? (r * r) / (q.s * q.s) : r * r;
  }
  return sum;
}

// The reals of a free-form line after its first `skip` items.
std::vector<double> reals(const std::string& line, size_t skip) {
  std::vector<double> v;
  size_t pos = 0;
  for (size_t item = 0;; ++item) {
    const size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string::npos) break;
    pos = line.find(' ', start);
    const std::string s = line.substr(start, pos - start);
    if (item >= skip) v.push_back(s == "NaN" ? NAN : std::stod(s));
  }
  return v;
}

void expect_model_run(int type, const std::vector<double>& p) {
  SCOPED_TRACE("modeltype " + std::to_string(type));
  TempDir dir;
  std::string data;
  int minute = 0;
  for (const Point& q : points()) {
    data += series_line(100, 10 + minute / 60, minute % 60, q.y, q.s);
    minute += 15;
  }
  dir.write("data.txt", data);
  std::string params;
  for (size_t j = 0; j < p.size(); ++j) {
    char buf[100];
    std::snprintf(buf, sizeof buf, "p%zu %.17g %.17g\n", j + 1, p[j], p[j]);
    params += buf;
  }
  dir.write("params.txt", params);
  const std::string answers = std::to_string(type) +
                              "\n'./'\ndata.txt\n20 100 10 0\n20 100 12 0\n" +
                              std::to_string(p.size()) +
                              " 0\nparams.txt\n2 4 1 1\n1\n1.0e6\nT 1 2.0\n"
                              "F 1\nF\n";
  const Outcome o = run_ptfit(dir, 2, answers);
  ASSERT_EQ(o.status, 0) << o.out << o.err;

  const double want = chi2_ref(type, p);
  std::vector<double> chi2_lines;
  for (const std::string& l : o.lines()) {
    if (l.rfind(" chi2:", 0) == 0) chi2_lines.push_back(reals(l, 1)[0]);
  }
  ASSERT_EQ(chi2_lines.size(), 2u) << o.out;
  // Block 1 reports the chi-square of process 0's values; block 2 the mean
  // over the samples of both processes, each at temperature 1 in turn.
  EXPECT_EQ(chi2_lines[0], want);
  EXPECT_NEAR(chi2_lines[1], want, 1e-12 * want);

  const std::vector<std::string> rec = split_lines(dir.read("reconstructed"));
  const std::vector<Point> pts = points();
  const int n = static_cast<int>(pts.size());
  ASSERT_EQ(rec.size(), 2u * n + 2) << dir.read("reconstructed");
  for (int i = 1; i <= n; ++i) {
    const std::vector<double> v = reals(rec[i - 1], 0);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0], pts[i - 1].t) << "point " << i;
    EXPECT_EQ(v[1], model_ref(type, p, i, n, pts[i - 1].t)) << "point " << i;
  }
}

TEST(PtfitModels, BaselineSegmentsOfModelTwo) {
  // Five segments over eight points: the last point is clamped to p(8).
  expect_model_run(2, {5.0, 12.0, 1.0, 300.0, 302.0, 299.0, 303.0, 301.0});
}

TEST(PtfitModels, AmplitudeSegmentsOfModelThree) {
  expect_model_run(3, {300.0, 12.0, 0.25, 5.0, 6.5, 7.0});
}

TEST(PtfitModels, ModelsTwoAndThreeWithThreeParametersHaveNoSegment) {
  // The segment index clamps to 3: p3 is the phase and the segment's level
  // (model 2) or amplitude (model 3).
  expect_model_run(2, {5.0, 12.0, 300.0});
  expect_model_run(3, {300.0, 12.0, 6.5});
}

TEST(PtfitModels, TwoProductsOfModelFour) {
  expect_model_run(
      4, {300.0, 8.0, 12.0, 0.3, 24.0, 1.1, -3.0, 5.0, 0.7, 7.0, -0.2});
}

}  // namespace
