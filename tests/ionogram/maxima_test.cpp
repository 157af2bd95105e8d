// Height maxima: the running mean, the choice of heights per time step,
// the heights of the window and the output file names.
#include "maxima.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sampling.h"

namespace ionoscan {
namespace {

// Every step with a sounding.
std::vector<char> all_sampled(size_t n) { return std::vector<char>(n, 1); }

TEST(Filter, RunningMeanOverSevenStepsCutAtTheEnds) {
  std::vector<double> v = {100, 100, 100, 170, 100, 100, 100};
  filter(3, v, all_sampled(7));
  EXPECT_EQ(v[0], 117.5);
  EXPECT_EQ(v[1], 114.0);
  EXPECT_EQ(v[3], 110.0);
  EXPECT_EQ(v[5], 114.0);
  EXPECT_EQ(v[6], 117.5);

  std::vector<double> one = {42.5};
  filter(3, one, all_sampled(1));
  EXPECT_EQ(one[0], 42.5);

  std::vector<double> five = {1, 2, 3, 4, 50};
  filter(3, five, all_sampled(5));
  EXPECT_EQ(five[2], 60.0 / 5);
  EXPECT_EQ(five[0], 10.0 / 4);
  EXPECT_EQ(five[4], 59.0 / 4);
}

TEST(Filter, StepsWithoutASoundingNeitherEnterNorTakeAMean) {
  // Steps 3, 4 and 6 have no sounding: their values stay, and the others
  // average only the steps with one.
  std::vector<double> v = {10, 20, 999, 999, 50, 999, 70, 80};
  const std::vector<char> sampled = {1, 1, 0, 0, 1, 0, 1, 1};
  filter(3, v, sampled);
  EXPECT_EQ(
      v,
      (std::vector<double>{
          30.0 / 2, 80.0 / 3, 999, 999, 220.0 / 4, 999, 200.0 / 3, 200.0 / 3}));
}

TEST(Heights, WindowIncludesBothEndsInSinglePrecision) {
  EXPECT_EQ(height_of(90, 2.5f, 1), 90.0);
  EXPECT_EQ(height_of(90, 2.5f, 5), 100.0);
  EXPECT_EQ(window_indices(90, 5, 128, 100, 110),
            (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(window_indices(90, 5, 4, 100, 400),
            (std::vector<int32_t>{3, 4}));  // only nsum heights count
  EXPECT_TRUE(window_indices(90, 5, 128, 101, 104).empty());
}

TEST(MaximaFileName, BandNumberAndTrimmedLogo) {
  EXPECT_EQ(maxima_file_name("abc", 3), "abc_maxima_3.dat");
  EXPECT_EQ(maxima_file_name("abc", 12), "abc_maxima_12.dat");
  EXPECT_EQ(maxima_file_name(" abc   ", 1), " abc_maxima_1.dat");
}

// One band, one height axis 100, 110, 120, ... (h0 100, hstep 10), and one
// time step per profile.
Extractor with_profiles(const std::vector<std::vector<double>>& profiles,
                        int32_t navg) {
  Extractor ex;
  ex.ans.nbands = 1;
  ex.ans.navg = navg;
  ex.hdr.h0 = 100;
  ex.hdr.hstep = 10;
  ex.ntimes = static_cast<int32_t>(profiles.size());
  ex.nhts_bins = static_cast<int32_t>(profiles[0].size());
  for (const auto& p : profiles)
    ex.bins.insert(ex.bins.end(), p.begin(), p.end());
  return ex;
}

TEST(BandMaxima, StrongestHeightsByTheHeapSortsOrder) {
  const std::vector<int32_t> all = {1, 2, 3, 4, 5};
  std::vector<double> mean, sd;

  // navg 1: the strongest echo, no spread.
  Extractor ex = with_profiles({{0, 0, 9, 1, 0}}, 1);
  band_maxima(ex, 1, all, mean, sd);
  EXPECT_EQ(mean[0], 120.0);
  EXPECT_EQ(sd[0], 0.0);

  // 3 1 2 3 1: the sort leaves indices 5 2 3 4 1, so the two strongest are
  // heights 1 and 4.
  ex = with_profiles({{3, 1, 2, 3, 1}}, 2);
  band_maxima(ex, 1, all, mean, sd);
  EXPECT_EQ(mean[0], (100.0 + 130.0) / 2);
  EXPECT_EQ(sd[0], 15.0);

  // All equal: the lowest, then the highest, the second highest.
  ex = with_profiles({{0, 0, 0, 0, 0}}, 3);
  band_maxima(ex, 1, all, mean, sd);
  EXPECT_DOUBLE_EQ(mean[0], (100.0 + 140.0 + 130.0) / 3);

  // A window of exactly navg heights: all of them, whatever the amplitudes.
  ex = with_profiles({{5, 0, 7, 0, 1}}, 2);
  const std::vector<int32_t> two = {2, 4};
  band_maxima(ex, 1, two, mean, sd);
  EXPECT_EQ(mean[0], 120.0);
  EXPECT_EQ(sd[0], 10.0);

  // A zero height step: equal heights give no spread (never NaN).
  ex = with_profiles({{1, 2, 3, 4, 5}}, 3);
  ex.hdr.hstep = 0;
  ex.hdr.h0 = 123.4f;
  band_maxima(ex, 1, all, mean, sd);
  EXPECT_EQ(sd[0], 0.0);
}

TEST(Sampling, GainFactorInThreeDecibelSteps) {
  EXPECT_EQ(gain_factor(0, 0), 1.0f);
  EXPECT_EQ(gain_factor(2, 6), std::pow(10.0f, -0.6f));
  EXPECT_NEAR(gain_factor(2, 6), 0.2512, 1e-4);
  EXPECT_TRUE(group_accepted(1, 1));
  EXPECT_FALSE(group_accepted(2, 1));
  EXPECT_TRUE(group_accepted(2, 3));
  EXPECT_TRUE(group_accepted(5, 3));
  EXPECT_FALSE(group_accepted(0, 3));
}

}  // namespace
}  // namespace ionoscan
