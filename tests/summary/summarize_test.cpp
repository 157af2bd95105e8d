// A row of the summary: samples piled at a bound, a parameter whose moves
// wrap around its range, the warnings, and the two texts.
#include "summarize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "report.h"

namespace ptsummary {
namespace {

bool any_says(const std::vector<std::string>& lines, const std::string& what) {
  for (const std::string& l : lines) {
    if (l.find(what) != std::string::npos) return true;
  }
  return false;
}

TEST(Summarize, SamplesPiledAtABoundAreCountedAndWarnedOf) {
  // Evenly over 5 to 5.5 in the range 5 to 10: a tenth within 0.05 of 5.
  std::vector<double> x;
  for (int i = 0; i < 1000; ++i) x.push_back(5 + 0.5 * (i % 100 + 0.5) / 100);
  const Range r{true, 5, 10};
  const Row row = summarize("c", {x, x}, r);
  EXPECT_DOUBLE_EQ(row.at_bound, 0.1);
  EXPECT_FALSE(row.circular);
  EXPECT_NEAR(row.median, 5.25, 1e-12);
  const std::vector<std::string> w = warnings(row);
  EXPECT_TRUE(any_says(w,
                       "warning: c: 10.0% of the samples lie within 1% of "
                       "the range's width of a bound (range 5 to 10)"));
  // Without the range nothing is known of the bounds.
  EXPECT_TRUE(std::isnan(summarize("c", {x}, Range{}).at_bound));
}

TEST(Summarize, SamplesAtBothEndsOfTheRangeGetCircularStatistics) {
  // A phase within 0.3 of 0 on 0 to 2 pi: the moves wrap it around.
  const double two_pi = 6.283185307179586;
  std::vector<double> x;
  for (int k = 0; k < 4000; ++k) {
    x.push_back(std::fmod(two_pi + 0.3 * std::sin(0.7 * k), two_pi));
  }
  const Row row = summarize("phase", {x}, Range{true, 0, two_pi});
  EXPECT_TRUE(row.circular);
  // The interval is the short way round, through 0.
  EXPECT_NEAR(row.hi95 - row.lo95, 0.6, 0.01);
  EXPECT_NEAR(std::remainder(row.median, two_pi), 0.0, 0.01);
  EXPECT_NEAR(std::remainder(row.mean, two_pi), 0.0, 1e-3);
  EXPECT_NEAR(row.sd, 0.3 / std::sqrt(2.0), 0.01);
  EXPECT_TRUE(row.median >= 0 && row.median < two_pi);
  const std::vector<std::string> w = warnings(row);
  EXPECT_TRUE(any_says(w, "the samples touch both ends of its range"));
  EXPECT_FALSE(any_says(w, "piled"));
}

TEST(Report, TsvHasTheColumnsAndNaWithoutARange) {
  const Row a = summarize("amp", {{1, 2, 3, 4}}, Range{true, 0, 10});
  const Row chi2 = summarize("chi2", {{7, 7, 7, 7}}, Range{});
  EXPECT_TRUE(chi2.constant);
  std::istringstream in(tsv_text({a, chi2}));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line,
            "name\tmedian\tlo68\thi68\tlo95\thi95\tmean\tsd\ttau\tess\trhat\t"
            "at_bound");
  std::getline(in, line);
  EXPECT_EQ(line.substr(0, 23), "amp\t2.5000000000000000\t");
  std::getline(in, line);
  EXPECT_EQ(line.substr(line.size() - 15), "\tNaN\tNaN\tNaN\tNA");
}

}  // namespace
}  // namespace ptsummary
