// The exact text of the start-up listing, block report, time estimate and
// exchange ratio lines.
#include "report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup.h"

namespace ptfit {
namespace {

Fitparam param(const char* name20, double value, double maxstep) {
  Fitparam p = new_fitparam();
  p.name = name20;
  p.value = value;
  p.maxstep = maxstep;
  return p;
}

TEST(StartupLines, ProcessCountListingAndInitialChi2) {
  EXPECT_EQ(nprocesses_line(4), "  The number of processes is        4");
  Global g;
  g.nparams = 2;
  Fitparam a = param("amp                 ", 2.0, 0);
  a.range = {1.0, 3.0};
  Fitparam b = param("a name longer than 20", 1234.5, 0);
  b.name = b.name.substr(0, 20);
  b.range = {-0.0625, 1e300};
  g.fitparams = {a, b};
  const std::vector<std::string> want = {
      " read the following parameter details:",
      " nparams= 2",
      " name                    range",
      "amp                     1.00        3.00        2.00        0.00    ",
      "a name longer than 2  -0.625E-01   0.100+301   0.123E+04    0.00    "};
  EXPECT_EQ(parameter_listing(g), want);
  EXPECT_EQ(initial_chi2_line(3, 0.345),
            "       mpiid/initial chi2   3   0.345    ");
  EXPECT_EQ(initial_chi2_line(12345, 1000.0),
            "       mpiid/initial chi2****   0.100E+04");
}

TEST(BlockReport, HeadBeforeAndAfterSamplingStarts) {
  Chi2Sums none;
  const std::vector<std::string> before = report_head(2, 500, false, none, 7.5);
  const std::vector<std::string> want = {
      " ############################################",
      " ######## MONTE CARLO BLOCK RESULTS #########",
      " 2 1000",
      " chi2: 7.5000000000000000",
      " par.name               val.       maxstep     ratio       average     "
      "sigma        neval."};
  EXPECT_EQ(before, want);

  Chi2Sums sums{4, 8.0, 20.0};  // mean 2, spread 1
  EXPECT_EQ(report_head(3, 500, true, sums, 0)[3],
            " chi2: 2.0000000000000000 1.0000000000000000");
  // Nothing binned yet: 0/0.
  EXPECT_EQ(report_head(3, 500, true, none, 0)[3], " chi2: NaN NaN");
  // Moves beyond the 32-bit range are counted in full.
  EXPECT_EQ(report_head(100000, 100000, false, none, 0)[2],
            " 100000 10000000000");
}

TEST(BlockReport, ParameterLinesForEachCase) {
  Fitparam p = param("amp                 ", 123.0, 0.02061);
  p.ntried = 3;
  p.naccepted = 2;
  EXPECT_EQ(report_param_line(p, false, 0, 0, 0),
            "amp                    123.0      0.2061E-01  0.6667           N/A"
            "       N/A       N/A");
  // Mean 2, population spread 1 over the samples of all processes.
  EXPECT_EQ(
      report_param_line(p, true, 8.0, 20.0, 4),
      "amp                    123.0      0.2061E-01  0.6667       2.000    "
      "   1.000    ");
  EXPECT_EQ(
      report_param_line(p, true, 0.0, 0.0, 0),
      "amp                    123.0      0.2061E-01  0.6667             NaN"
      "         NaN");
  // The acceptance ratio is single precision: 99995/100000 shows as 1.000.
  p.ntried = 100000;
  p.naccepted = 99995;
  EXPECT_EQ(report_param_line(p, false, 0, 0, 0).substr(44, 12),
            "   1.000    ");
  p.vary = 0;
  EXPECT_EQ(report_param_line(p, true, 8.0, 20.0, 4),
            "amp                    123.0           N/A       N/A");
}

TEST(TimeEstimate, ElapsedAndRemainingClockLines) {
  EXPECT_EQ(time_lines(0, 1, 1),
            (std::vector<std::string>{" ellapsed time=   0: 0: 0",
                                      "time remaining~   0: 0: 0"}));
  // 3725 s after 2 of 10 blocks: 1862 s a block, 8 blocks to go.
  EXPECT_EQ(time_lines(3725, 2, 10),
            (std::vector<std::string>{" ellapsed time=   1: 2: 5",
                                      "time remaining~   4: 8:16"}));
  // Hours beyond four digits do not fit.
  EXPECT_EQ(time_lines(36000000, 1, 3)[1], "time remaining~****: 0: 0");
}

TEST(TimeEstimate, BlockTimeDropsFractionsAndSurvivesAWrap) {
  EXPECT_EQ(add_block_time(0, 999, 1000), 0);
  EXPECT_EQ(add_block_time(5, 2500, 1000), 7);
  EXPECT_EQ(add_block_time(5, 2500, 0), 5);
  EXPECT_EQ(ticks_between(100, 350, 2147483647), 250);
  EXPECT_EQ(ticks_between(2147483000, 352, 2147483647), 1000);
}

TEST(ExchangeRatio, SinglePrecisionRatioAndNaNBeforeAnyAttempt) {
  EXPECT_EQ(exchange_ratio_line(0, 1, 3), " temp. ratio 0 0.333333343");
  EXPECT_EQ(exchange_ratio_line(0, 0, 0), " temp. ratio 0 NaN");
}

}  // namespace
}  // namespace ptfit
