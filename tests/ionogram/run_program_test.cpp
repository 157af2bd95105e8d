// ionoscan end to end: generated soundings in a temporary directory, the
// program's whole dialogue on standard output, and its "_maxima_" files.
#include <gtest/gtest.h>

#include "scan_run.h"

namespace ionoscan::testing {
namespace {

TEST(IonoscanRun, LayerAtKnownHeightGivesThatHeightAndTheWholeDialogue) {
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 65, 0, 0, 250));
  d.sounding("b.rsf", layer_sounding(4, 65, 0, 15, 250));
  d.sounding("c.rsf", layer_sounding(4, 65, 0, 30, 250));
  ScanAnswers a;
  a.logo = "abc";
  a.window = "100. 400.";
  d.answers(a, {"a.rsf", "b.rsf", "c.rsf"});
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out,
            " enter logo\n"
            " logo is abc\n"
            " enter filename containing the list of RSf files\n"
            " opening list\n"
            " number of files= 3\n"
            " daymin, daymax: 65 65\n"
            " hourmin, hourmax: 0 0\n"
            " minutemin, minutemax: 0 30\n"
            " Ly is  366\n"
            " enter timestep in minutes\n"
            " read 15.0000000\n"
            " Start time: 4 65 0 0  time index: 1\n"
            " Stopt time: 4 65 0 30  time index: 3\n"
            " total number of time steps: 3\n"
            " enter number of frequency bands\n"
            " will sample in the following ranges:\n"
            " 1.0000000000000000 10.000000000000000\n"
            " Xmode(1) or Omode(2) or combined(3)?\n"
            " read  3\n"
            " enter msignl\n"
            " read 1\n"
            " enter mscale\n"
            " read 1\n"
            " enter minh maxh\n"
            " read 100.000000 400.000000\n"
            " enter avh\n"
            " read 0\n"
            " number of maxima to plot (averaged)\n"
            " read 1\n"
            " day  65 time index 1\n"
            "... 5/ 3/ 4\n"
            " finished sampling\n"
            " allocating array maxheights\n"
            " allocated array maxheights\n"
            " will plot maxima for  1  ranges\n"
            " creating abc_maxima_1.dat\n");
  const auto recs = d.maxima("abc_maxima_1.dat");
  ASSERT_EQ(recs.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(recs[i].year, 4);
    EXPECT_EQ(recs[i].day, 65);
    EXPECT_EQ(recs[i].hour, 0);
    EXPECT_EQ(recs[i].minute, 15 * i);
    EXPECT_EQ(recs[i].hours, 0.25 * i);
    EXPECT_EQ(recs[i].value, 250.0);
    EXPECT_EQ(recs[i].sigma, 0.0);
    EXPECT_EQ(recs[i].timestep, 15.0f);
  }
  // The file is the series format, byte for byte.
  std::ifstream f(d.at("abc_maxima_1.dat"));
  std::string first;
  std::getline(f, first);
  EXPECT_EQ(first,
            " 4 65 0 0 0.0000000000000000 250.00000000000000 "
            "0.0000000000000000 15.0000000");
}

TEST(IonoscanRun, SoundingsOnEachSideOfAYearEndLandOnConsecutiveSteps) {
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 366, 23, 50, 200));
  d.sounding("b.rsf", layer_sounding(5, 1, 0, 0, 250));
  d.sounding("c.rsf", layer_sounding(5, 1, 0, 10, 300));
  ScanAnswers a;
  a.dt = "10";
  d.answers(a, {"c.rsf", "a.rsf", "b.rsf"});  // list order does not matter
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" daymin, daymax: 366 1\n"), std::string::npos);
  EXPECT_NE(r.out.find(" Ly is  366\n"), std::string::npos);
  EXPECT_NE(r.out.find(" Start time: 4 366 23 50  time index: 1\n"
                       " Stopt time: 5 1 0 10  time index: 3\n"
                       " total number of time steps: 3\n"),
            std::string::npos);
  EXPECT_NE(r.out.find(" day  1 time index 2\n... 1/ 1/ 5\n"),
            std::string::npos);
  const auto recs = d.maxima("run_maxima_1.dat");
  ASSERT_EQ(recs.size(), 3u);
  const int stamps[3][4] = {{4, 366, 23, 50}, {5, 1, 0, 0}, {5, 1, 0, 10}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(recs[i].year, stamps[i][0]);
    EXPECT_EQ(recs[i].day, stamps[i][1]);
    EXPECT_EQ(recs[i].hour, stamps[i][2]);
    EXPECT_EQ(recs[i].minute, stamps[i][3]);
  }
  // Running mean of 200, 250, 300 over the cut window: all three steps.
  for (const auto& rec : recs) EXPECT_DOUBLE_EQ(rec.value, 250.0);
}

TEST(IonoscanRun, TwoFilesOnOneStepAddTheirAmplitudes) {
  // Alone, 200 km (20) beats 300 km (15); with a third sounding on the same
  // step adding 10 at 300 km, 300 km wins.
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 12, 0, 200, 20));
  d.sounding("b.rsf", layer_sounding(4, 100, 12, 0, 300, 15));
  d.sounding("c.rsf", layer_sounding(4, 100, 12, 0, 300, 10));
  ScanAnswers a;
  d.answers(a, {"a.rsf", "b.rsf"});
  ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" total number of time steps: 1\n"), std::string::npos);
  EXPECT_EQ(d.maxima("run_maxima_1.dat").at(0).value, 200.0);

  d.answers(a, {"a.rsf", "b.rsf", "c.rsf"});
  r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto recs = d.maxima("run_maxima_1.dat");
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].value, 300.0);
  EXPECT_EQ(recs[0].hour, 12);
}

// Groups of X mode at 200 km (12) and 300 km (8), of O mode at 300 km (6),
// and of code 0 at 350 km (31), which no mode takes.
GenSounding mixed_modes() {
  GenSounding s;
  s.year = 9;
  gen_set_day_of_year(s, 40);
  s.hour = 6;
  const int32_t nsum = gen_nsum(s.nhts);
  auto profile = [&](std::initializer_list<std::pair<double, int32_t>> peaks) {
    std::vector<int32_t> amp(nsum, 0);
    for (auto [km, v] : peaks) amp[gen_height_index(s, km) - 1] = v;
    return amp;
  };
  s.groups.push_back({3.0, 1, 0, profile({{200, 12}, {300, 8}})});
  s.groups.push_back({3.0, 2, 0, profile({{300, 6}})});
  s.groups.push_back({3.0, 0, 0, profile({{350, 31}})});
  return s;
}

TEST(IonoscanRun, PolarisationModeChoosesTheGroups) {
  ScanDir d;
  d.sounding("m.rsf", mixed_modes());
  const std::pair<const char*, double> cases[] = {
      {"1", 200.0}, {"2", 300.0}, {"3", 300.0}};
  for (auto [mode, km] : cases) {
    ScanAnswers a;
    a.polmode = mode;
    d.answers(a, {"m.rsf"});
    const ScanResult r = d.run();
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(d.maxima("run_maxima_1.dat").at(0).value, km) << "mode " << mode;
  }
}

TEST(IonoscanRun, BandsTakeGroupsFromTheirLowerLimitUpToBelowTheUpper) {
  // Layer at 200 km on 2, 3 and 4 MHz (amplitude 10), at 300 km on 5 MHz
  // (25), at 350 km on 6 MHz (30).
  GenSounding s = layer_sounding(4, 100, 12, 0, 200);
  s.groups.clear();
  const int32_t nsum = gen_nsum(s.nhts);
  const struct {
    double mhz, km;
    int32_t amp;
  } groups[] = {{2.0, 200, 10},
                {3.0, 200, 10},
                {4.0, 200, 10},
                {5.0, 300, 25},
                {6.0, 350, 30}};
  for (auto [mhz, km, v] : groups) {
    std::vector<int32_t> amp(nsum, 0);
    amp[gen_height_index(s, km) - 1] = v;
    s.groups.push_back({mhz, 2, 0, amp});
  }
  ScanDir d;
  d.sounding("s.rsf", s);
  ScanAnswers a;
  a.bands = {"5.0 6.0", "2.0 5.0", "1.0 2.0", "4.0 5.5"};
  d.answers(a, {"s.rsf"});
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.maxima("run_maxima_1.dat").at(0).value, 300.0);
  EXPECT_EQ(d.maxima("run_maxima_2.dat").at(0).value, 200.0);
  // No group: all amplitudes 0, the lowest height of the window first.
  EXPECT_EQ(d.maxima("run_maxima_3.dat").at(0).value, 100.0);
  // Overlapping bands both take the 4 and 5 MHz groups.
  EXPECT_EQ(d.maxima("run_maxima_4.dat").at(0).value, 300.0);
  a.navg = "2";
  d.answers(a, {"s.rsf"});
  ASSERT_EQ(d.run().status, 0);
  EXPECT_EQ(d.maxima("run_maxima_4.dat").at(0).value, 250.0);
  // One strong height among equal ones: it, then the highest of the rest.
  EXPECT_EQ(d.maxima("run_maxima_2.dat").at(0).value, (200.0 + 400.0) / 2);
}

TEST(IonoscanRun, GapsInTimeGetEmptyLinesAndOnlySoundingsAreSmoothed) {
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 200));
  d.sounding("b.rsf", layer_sounding(4, 100, 10, 15, 250));
  d.sounding("c.rsf", layer_sounding(4, 100, 11, 0, 300));
  ScanAnswers a;
  a.navg = "2";
  d.answers(a, {"a.rsf", "b.rsf", "c.rsf"});
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto recs = d.maxima("run_maxima_1.dat");
  ASSERT_EQ(recs.size(), 5u);  // 10:00 10:15 (10:30) (10:45) 11:00
  const int minutes[5] = {0, 15, 0, 0, 0};
  const bool empty[5] = {false, false, true, true, false};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(textio::is_empty(recs[i]), empty[i]) << i;
    EXPECT_EQ(recs[i].minute, minutes[i]) << i;
    EXPECT_EQ(recs[i].hours, 0.25 * i);
  }
  // Unsmoothed: the layer and the highest of the equal rest where a
  // sounding fell (300, 325, 350), the lowest and the highest of the window
  // (250) where none did. Only the steps with a sounding are averaged, and
  // the empty steps keep their own value.
  const double want[5] = {
      (300 + 325) / 2.0, (300 + 325 + 350) / 3.0, 250, 250, (325 + 350) / 2.0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(recs[i].value, want[i]) << i;
  EXPECT_EQ(recs[2].sigma, 150.0);
  EXPECT_EQ(recs[1].sigma, 75.0);
}

TEST(IonoscanRun, StepsWithASoundingButNoEchoAreCountedOnStandardError) {
  // Band 2 (20-30 MHz) holds no group: its three soundings have no echo.
  // The step at 10:30 has no sounding and counts in neither band.
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 200));
  d.sounding("b.rsf", layer_sounding(4, 100, 10, 15, 250));
  d.sounding("c.rsf", layer_sounding(4, 100, 10, 45, 300));
  ScanAnswers a;
  a.bands = {"1.0 10.0", "20 30"};
  d.answers(a, {"a.rsf", "b.rsf", "c.rsf"});
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err,
            "ionoscan: band 2, run_maxima_2.dat: 3 of 3 steps with a sounding "
            "have no positive summed amplitude in the height window: their "
            "heights are not measurements\n");
  EXPECT_EQ(r.out.find("measurements"), std::string::npos);
  EXPECT_EQ(d.maxima("run_maxima_2.dat").size(), 4u);
}

TEST(IonoscanRun, AmplitudeOptionsAndGainWeighting) {
  // mscale 0: every sample of an accepted group counts 1 * gainfac, so all
  // heights tie and the lowest of the window comes first (navg 1).
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 300));
  ScanAnswers a;
  a.mscale = "0";
  d.answers(a, {"a.rsf"});
  ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.maxima("run_maxima_1.dat").at(0).value, 100.0);

  // A strong layer at high gain loses against a weak one at gain 0 when
  // the gain weighting (3 dB a step) outweighs it: 31 * 10^(-15*3/20) < 4.
  GenSounding s = layer_sounding(4, 100, 10, 0, 300, 31);
  for (auto& g : s.groups) g.gain = 15;
  GenSounding weak = layer_sounding(4, 100, 10, 0, 200, 4);
  s.groups.insert(s.groups.end(), weak.groups.begin(), weak.groups.end());
  d.sounding("g.rsf", s);
  d.answers(ScanAnswers{}, {"g.rsf"});
  r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.maxima("run_maxima_1.dat").at(0).value, 200.0);
}

TEST(IonoscanRun, ManyBandsNumberTheirFilesWithOneOrTwoDigits) {
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 300));
  ScanAnswers a;
  a.logo = "'x y  '";  // quoted: the blank inside stays, trailing ones go
  a.bands.assign(10, "2.0 5.0");
  d.answers(a, {"a.rsf"});
  const ScanResult r = d.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" creating x y_maxima_9.dat\n"
                       " creating x y_maxima_10.dat\n"),
            std::string::npos);
  EXPECT_EQ(d.maxima_files().size(), 10u);
  EXPECT_EQ(d.maxima("x y_maxima_10.dat").at(0).value, 300.0);
}

TEST(IonoscanRun, AnExistingMaximaFileIsReplacedWhole) {
  ScanDir d;
  d.write("run_maxima_1.dat", std::string(100000, 'x') + "\n");
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 300));
  d.answers(ScanAnswers{}, {"a.rsf"});
  ASSERT_EQ(d.run().status, 0);
  EXPECT_EQ(d.maxima("run_maxima_1.dat").size(), 1u);
}

}  // namespace
}  // namespace ionoscan::testing
