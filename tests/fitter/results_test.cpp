// Sampling at temperature 1 and the texts of the result files.
#include "results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "lines.h"
#include "startup.h"

namespace ptfit {
namespace {

using testsupport::split_lines;

// One parameter over [lo, hi] and a chi-square histogram up to chi2max,
// initialised as at start-up.
struct OneParam {
  Global g;
  RunConfig c;
  OneParam(double lo, double hi, double chi2max) {
    Fitparam p = new_fitparam();
    p.name = "amp                 ";
    p.range = {lo, hi};
    g.fitparams.push_back(p);
    g.nparams = 1;
    c.chi2max = chi2max;
    init_parameters(g, c);
  }
  double count(int b) { return hist_count(g.fitparams[0], b); }
  double chi2count(int b) { return g.chi2bin[kNbins + b - 1]; }
};

TEST(BinIndex, NonFiniteAndOutOfRangeQuotientsCountInNoBin) {
  EXPECT_EQ(bin_index(std::nan("")), 0);
  EXPECT_EQ(bin_index(INFINITY), 0);
  EXPECT_EQ(bin_index(-INFINITY), 0);
  EXPECT_EQ(bin_index(1e300), 0);
  EXPECT_EQ(bin_index(-1e300), 0);
  EXPECT_EQ(bin_index(-0.5), 0);
  EXPECT_EQ(bin_index(0.9999999), 0);
  EXPECT_EQ(bin_index(1.0), 1);
  EXPECT_EQ(bin_index(1.5), 1);
  EXPECT_EQ(bin_index(10000.0), 10000);
  EXPECT_EQ(bin_index(10000.999), 10000);
  EXPECT_EQ(bin_index(10001.0), 0);
  EXPECT_EQ(
      bin_index(static_cast<double>(std::numeric_limits<int32_t>::max()) + 10),
      0);
}

TEST(Binning, ValueCountsInTruncatedBinAndLowestWidthOnlyInSums) {
  OneParam s(0.0, 10000.0, 100.0);  // bin width 1
  s.g.fitparams[0].value = 1.5;
  s.c.chi2cur = 3.0;
  binning(s.g, s.c);
  EXPECT_EQ(s.count(1), 1.0);
  s.g.fitparams[0].value = 0.5;  // index 0: sums only
  binning(s.g, s.c);
  double total = 0;
  for (int b = 1; b <= kNbins; ++b) total += s.count(b);
  EXPECT_EQ(total, 1.0);
  const Fitparam& p = s.g.fitparams[0];
  EXPECT_EQ(p.neval, 2);
  EXPECT_EQ(p.avval, 2.0);
  EXPECT_EQ(p.sigmaval, 1.5 * 1.5 + 0.5 * 0.5);
  EXPECT_EQ(s.g.chi2eval, 2);
  EXPECT_EQ(s.g.avchi2, 6.0);
  EXPECT_EQ(s.g.sigmachi2, 18.0);
  EXPECT_EQ(s.chi2count(300), 2.0);  // 3 / (100/10000)
}

TEST(Binning, WeightedSamplingAddsBoltzmannWeightButChi2BinCountsOne) {
  OneParam s(0.0, 10000.0, 100.0);
  s.c.samplingtype = 11;
  s.c.chi2cur = 2.0;
  s.g.fitparams[0].value = 42.2;
  binning(s.g, s.c);
  EXPECT_DOUBLE_EQ(s.count(42), std::exp(-1.0));
  EXPECT_EQ(s.chi2count(200), 1.0);
}

TEST(Binning, ChiSquareBeyondTheHistogramCountsOnlyInSums) {
  OneParam s(0.0, 1.0, 10.0);
  s.c.chi2cur = 20.0;
  binning(s.g, s.c);
  EXPECT_EQ(s.g.chi2eval, 1);
  EXPECT_EQ(s.g.avchi2, 20.0);
  for (int b = 1; b <= kNbins; ++b) ASSERT_EQ(s.chi2count(b), 0.0);
}

TEST(Binning, OnlyTemperatureExactlyOneRecords) {
  OneParam s(0.0, 1.0, 10.0);
  s.g.temperature = 1.0000000000000002;
  s.g.fitparams[0].value = 0.5;
  binning(s.g, s.c);
  EXPECT_EQ(s.g.chi2eval, 0);
  EXPECT_EQ(s.g.fitparams[0].neval, 0);
  EXPECT_EQ(s.count(5000), 0.0);
}

TEST(Binning, DegenerateRangesAndZeroChi2maxBinNothingButCountSamples) {
  OneParam s(5.0, 5.0, 0.0);
  s.g.fitparams[0].value = 5.0;
  s.c.chi2cur = 0.0;  // 0 / 0
  binning(s.g, s.c);
  s.c.chi2cur = 1.0;  // 1 / 0
  binning(s.g, s.c);
  EXPECT_EQ(s.g.fitparams[0].neval, 2);
  EXPECT_EQ(s.g.chi2eval, 2);
  for (int b = 1; b <= kNbins; ++b) {
    ASSERT_EQ(s.count(b), 0.0);
    ASSERT_EQ(s.chi2count(b), 0.0);
  }
}

TEST(HistogramFile, DensityIntegratesToOneOverTheBinPositions) {
  OneParam s(-2.0, 3.0, 1.0);
  std::vector<double> counts(kNbins, 0.0);
  counts[0] = 1;
  counts[4999] = 3;
  counts[9999] = 4;
  const std::vector<std::string> lines =
      split_lines(histogram_text(s.g.fitparams[0], counts));
  ASSERT_EQ(lines.size(), 10000u);
  EXPECT_EQ(lines[0].substr(0, 20), " -2.0000000000000000");
  EXPECT_EQ(lines[9999].substr(0, 20), " 3.0000000000000000 ");
  const double dx = 5.0 / 9999;
  double integral = 0;
  for (const std::string& l : lines) {
    std::istringstream in(l);
    double x = 0;
    double y = 0;
    in >> x >> y;
    integral += y * dx;
  }
  EXPECT_NEAR(integral, 1.0, 1e-12);
}

TEST(HistogramFile, NoSamplesGiveNaNDensityAndMarkerBlockFollowsShowref) {
  OneParam s(0.0, 1.0, 1.0);
  Fitparam& p = s.g.fitparams[0];
  std::vector<double> counts(kNbins, 0.0);
  std::vector<std::string> lines = split_lines(histogram_text(p, counts));
  ASSERT_EQ(lines.size(), 10000u);
  EXPECT_EQ(lines[17].substr(lines[17].size() - 4), " NaN");

  p.showref = 1;
  p.refvalue = 0.25;
  counts[7] = 20;
  counts[8] = NAN;
  lines = split_lines(histogram_text(p, counts));
  ASSERT_EQ(lines.size(), 10000u + 2 + 11);
  EXPECT_EQ(lines[10000], "");
  EXPECT_EQ(lines[10001], "");
  EXPECT_EQ(lines[10002], " 0.25000000000000000 0.0000000000000000");
  EXPECT_EQ(lines[10003], " 0.25000000000000000 2.0000000000000000");
  EXPECT_EQ(lines[10012], " 0.25000000000000000 20.000000000000000");
}

TEST(Chi2File, RawCountsAtTheirPositions) {
  OneParam s(0.0, 1.0, 9999.0);
  std::vector<double> counts(kNbins, 0.0);
  counts[2] = 5;
  const std::vector<std::string> lines =
      split_lines(chi2bin_text(s.g.chi2bin, counts));
  ASSERT_EQ(lines.size(), 10000u);
  EXPECT_EQ(lines[2], " 2.0000000000000000 5.0000000000000000");
  EXPECT_EQ(lines[9999], " 9999.0000000000000 0.0000000000000000");
}

TEST(ModelFile, ModelCurveTwoEmptyRecordsThenData) {
  Data d;
  d.modeltype = 1;
  d.ndata = 2;
  d.simdata = {0.5, 1.5, 10.0, 12.0, 1.0, 1.0};
  std::vector<std::string> lines = split_lines(reconstructed_text(d, {11.0}));
  const std::vector<std::string> want = {
      " 0.50000000000000000 11.000000000000000",
      " 1.5000000000000000 11.000000000000000",
      "",
      "",
      " 0.50000000000000000 10.000000000000000",
      " 1.5000000000000000 12.000000000000000"};
  EXPECT_EQ(lines, want);

  d.modeltype = 0;  // no model block
  lines = split_lines(reconstructed_text(d, {11.0}));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[2], " 0.50000000000000000 10.000000000000000");
}

TEST(ModelFile, NeverBinnedParameterTakesItsCurrentValue) {
  const std::vector<double> m = mean_values({6.0, 0.0}, {3, 0}, {9.0, 4.5});
  EXPECT_EQ(m, (std::vector<double>{2.0, 4.5}));
}

TEST(ScatterFile, HeaderAndRecordLayout) {
  OneParam s(0.0, 1.0, 1.0);
  Fitparam q = new_fitparam();
  q.name = "fixed               ";
  q.vary = 0;
  s.g.fitparams.push_back(q);
  Fitparam r = new_fitparam();
  r.name = "period              ";
  s.g.fitparams.push_back(r);
  s.g.fitparams[0].value = 0.12345;
  s.g.fitparams[1].value = 99;
  s.g.fitparams[2].value = -1234.5678;
  EXPECT_EQ(scatter_name(0), "scatter_0");
  EXPECT_EQ(
      scatter_header(s.g),
      "NAMEOXLE\n 3\n amp                 \n period              \n chi2\n");
  EXPECT_EQ(scatter_record(s.g, 1234.0),
            "          0.123      -1234.568      0.123E+04");
}

}  // namespace
}  // namespace ptfit
