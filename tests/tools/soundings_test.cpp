// The generator of realistic soundings: its noise is the same on every
// machine, its gain control records what arrived so that ionoscan's gain
// factor gives it back, and a series in two parts follows the plan's clock.
#include "soundings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "noise.h"
#include "rsf.h"
#include "rsfgen.h"
#include "station.h"
#include "tempdir.h"

namespace rsfgen {
namespace {

// FNV-1a of a sounding's bytes.
uint64_t checksum(const std::vector<uint8_t>& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (const uint8_t c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

// The weight ionoscan gives a sample of group `g` in sounding `s`.
double gain_factor(const GenSounding& s, const GenGroup& g) {
  return std::pow(10.0, -(3.0 * g.gain + 6.0 * s.atten_code) / 20.0);
}

GenSounding station_sounding(double hour_of_day, const Receiver& r) {
  GenSounding s;
  s.year = 10;
  gen_set_day_of_year(s, 152);
  s.hour = static_cast<int32_t>(hour_of_day);
  NoiseStream noise = noise_stream(1, 24);
  gen_add_received_layer(s, r, 243.0, 2.0, 6.0, 0.1, hour_of_day, noise);
  return s;
}

TEST(Soundings, NoiseAndSoundingsAreTheSameOnEveryMachine) {
  NoiseStream s = noise_stream(1, 0);
  EXPECT_EQ(noise_next(s), 0x4181b152fb77616full);
  EXPECT_EQ(noise_next(s), 0x169c646d52269d62ull);
  NoiseStream t = noise_stream(2010, 7);
  EXPECT_EQ(noise_uniform(t), 0.93486563738931439);
  EXPECT_EQ(noise_normal(t), -0.27543682050061502);

  const Receiver r{0.0, -20.0, 20.0, 3.0, 2};
  const std::vector<uint8_t> bytes = encode_rsf(station_sounding(12.0, r));
  ASSERT_EQ(bytes.size(), 6u * 4096);
  EXPECT_EQ(checksum(bytes), 0xa3a1e200a2d4c7f6ull);
}

TEST(Soundings, GainControlRecordsWhatArrivedWhateverItsLevel) {
  // Without noise every group's peak is its echo level; at noon the low
  // frequencies arrive up to 20 dB weaker, at night all alike.
  const Receiver r{-6.0, -90.0, 20.0, 3.0, 2};
  for (const double hour : {0.0, 12.0}) {
    const GenSounding s = station_sounding(hour, r);
    ASSERT_LE(s.atten_code, 7);
    ASSERT_EQ(s.groups.size(), 82u);
    const int32_t peak = gen_height_index(s, 243.0) - 1;
    for (const GenGroup& g : s.groups) {
      SCOPED_TRACE(std::to_string(hour) + " h, " + std::to_string(g.mhz) +
                   " MHz, pol " + std::to_string(g.pol));
      ASSERT_GE(g.gain, 0);
      ASSERT_LE(g.gain, 15);
      // The whole recording range is used: a step of gain less would
      // have recorded the peak above 31.
      EXPECT_GE(g.amp[peak], 22);
      EXPECT_EQ(g.amp[peak + 1], g.amp[peak - 1]);
      EXPECT_LT(g.amp[peak + 1], g.amp[peak]);
      EXPECT_EQ(g.amp[peak + 3], 0);
      const double arrived =
          std::pow(10.0, echo_level_db(r, g.mhz, g.pol, hour) / 20.0);
      EXPECT_NEAR(g.amp[peak] * gain_factor(s, g) / arrived, 1.0, 0.5 / 22);
    }
  }
}

TEST(Soundings, TwoPartsFollowThePlansClockAcrossTheGap) {
  testsupport::TempDir dir("soundings");
  SeriesPlan p;
  p.dir = dir.path;
  p.prefix = "s";
  p.count = 6;
  p.year = 10;
  p.doy = 365;  // the gap runs into the next year
  p.hour = 23;
  p.minute = 15;
  p.every = 15;
  p.gap_after = 2;
  p.gap = 60;
  p.list2 = dir.at("list2");
  p.layer_km = 300;
  p.swing_km = 40;
  p.period_h = 24;
  p.phase = 0.5;
  p.swing2_km = 15;
  p.period2_h = 12;
  p.phase2 = 1.0;
  std::string error;
  ASSERT_TRUE(write_sounding_series(p, dir.at("list1"), error)) << error;
  EXPECT_EQ(dir.read("list1"),
            dir.at("s_000000.RSF\n") + dir.at("s_000001.RSF\n"));
  EXPECT_EQ(dir.read("list2"),
            dir.at("s_000002.RSF\n") + dir.at("s_000003.RSF\n") +
                dir.at("s_000004.RSF\n") + dir.at("s_000005.RSF\n"));

  // 23:15 and 23:30 of day 365, then after an hour more 00:45 of day 1.
  const int32_t want[6][3] = {{365, 23, 15},
                              {365, 23, 30},
                              {1, 0, 45},
                              {1, 1, 0},
                              {1, 1, 15},
                              {1, 1, 30}};
  for (int k = 0; k < 6; ++k) {
    std::ifstream f(dir.at("s_00000" + std::to_string(k) + ".RSF"),
                    std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
    ionoscan::RsfHeader h;
    ASSERT_EQ(ionoscan::read_header(bytes, h), ionoscan::RsfStatus::kOk);
    EXPECT_EQ(h.year, k < 2 ? 10 : 11);
    EXPECT_EQ(h.day, want[k][0]);
    EXPECT_EQ(h.hour, want[k][1]);
    EXPECT_EQ(h.minute, want[k][2]);
    // The layer at its hours since 00:00 of day 365.
    const double hours = (k < 2 ? 0 : 24) + want[k][1] + want[k][2] / 60.0;
    const double km = 300 +
                      40 * std::sin(2 * std::numbers::pi * hours / 24 + 0.5) +
                      15 * std::sin(2 * std::numbers::pi * hours / 12 + 1.0);
    EXPECT_DOUBLE_EQ(layer_height(p, hours), km);
    ionoscan::FrGroup g;
    ASSERT_EQ(ionoscan::read_frgroup(std::span(bytes).subspan(60), 128, g),
              ionoscan::RsfStatus::kOk);
    EXPECT_EQ(g.amp[static_cast<int>(std::lround((km - 90) / 5))], 31) << k;
  }
}

}  // namespace
}  // namespace rsfgen
