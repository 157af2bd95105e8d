// Synthetic soundings decode back to what was described.
#include "rsfgen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "rsf.h"

namespace ionoscan {
namespace {

using namespace rsfgen;

// Most frequent amplitude by plain counting, the smaller one on a tie.
float reference_mps(const std::vector<int32_t>& amp, int32_t nsum) {
  int32_t best = 0, best_count = -1;
  for (int32_t v = 0; v < 32; ++v) {
    int32_t count = 0;
    for (int32_t k = 0; k < nsum; ++k) {
      count += (k < static_cast<int32_t>(amp.size()) ? amp[k] : 0) == v;
    }
    if (count > best_count) best = v, best_count = count;
  }
  return static_cast<float>(best);
}

GenSounding random_sounding(std::mt19937& rng, int32_t nhts, int ngroups) {
  auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  GenSounding s;
  s.year = pick(0, 99);
  gen_set_day_of_year(s, pick(1, s.year % 4 == 0 ? 366 : 365));
  s.hour = pick(0, 23);
  s.minute = pick(0, 59);
  s.second = pick(0, 59);
  s.nhts = nhts;
  s.h0 = pick(0, 9999);
  s.hstep_code = pick(0, 99);
  s.atten_code = pick(0, 99);
  for (int i = 0; i < ngroups; ++i) {
    GenGroup g;
    g.mhz = pick(0, 9999) / 100.0;
    g.pol = pick(-1, 14);
    g.gain = pick(0, 15);
    // Few distinct amplitudes, so that ties for the most frequent occur.
    const int top = pick(0, 31);
    g.amp.resize(pick(0, gen_nsum(nhts)));
    for (auto& a : g.amp) a = std::min(top, pick(0, 3) * 10);
    s.groups.push_back(g);
  }
  return s;
}

TEST(RsfGen, RandomSoundingsDecodeBackExactly) {
  std::mt19937 rng(20260108);
  for (int32_t nhts : {128, 256, 512}) {
    const RsfLayout lay = *rsf_layout(nhts);
    for (int ngroups :
         {0, 1, lay.ngroups, lay.ngroups + 1, 3 * lay.ngroups - 1}) {
      const GenSounding s = random_sounding(rng, nhts, ngroups);
      const std::vector<uint8_t> bytes = encode_rsf(s);
      const int nblocks =
          std::max(1, (ngroups + lay.ngroups - 1) / lay.ngroups);
      ASSERT_EQ(bytes.size(), static_cast<std::size_t>(nblocks) * 4096);

      RsfCursor c{bytes};
      RsfHeader h;
      FrGroup g;
      int k = 0;
      for (int b = 0; b < nblocks; ++b) {
        ASSERT_EQ(next_header(c, h), RsfStatus::kOk);
        EXPECT_EQ(bytes[c.pos - 60], b == 0 ? 7 : 6);
        EXPECT_EQ(h.year, s.year);
        EXPECT_EQ(h.month, s.month);
        EXPECT_EQ(h.mday, s.mday);
        EXPECT_EQ(h.day, julian(s.year, s.month, s.mday));
        EXPECT_EQ(h.ibcd[rsfhdr::kDayHigh] * 100 + h.ibcd[rsfhdr::kDayLow],
                  h.day);
        EXPECT_EQ(h.hour, s.hour);
        EXPECT_EQ(h.minute, s.minute);
        EXPECT_EQ(h.second, s.second);
        EXPECT_EQ(h.arxid, "009");
        EXPECT_EQ(h.nhts, nhts);
        EXPECT_EQ(h.h0, static_cast<float>(s.h0));
        EXPECT_EQ(h.hstep, s.hstep_code == 2 ? 2.5f : s.hstep_code * 1.0f);
        EXPECT_EQ(h.atten, s.atten_code <= 7 ? 6.0f * s.atten_code : 0.0f);
        for (int i = 0; i < lay.ngroups; ++i, ++k) {
          ASSERT_EQ(next_frgroup(c, g), RsfStatus::kOk);
          EXPECT_EQ(g.nsum, lay.nsum);
          if (k >= ngroups) {  // filler: accepted for no mode, no echoes
            EXPECT_EQ(g.pol, 0);
            EXPECT_EQ(g.fMhz, 0.0f);
            EXPECT_EQ(g.mps, 0.0f);
            continue;
          }
          const GenGroup& want = s.groups[k];
          const int32_t centi =
              static_cast<int32_t>(std::lround(want.mhz * 100));
          EXPECT_EQ(g.fMhz,
                    static_cast<float>(centi / 100) +
                        static_cast<float>(centi % 100) * 0.01f);
          EXPECT_EQ(g.pol, want.pol);
          EXPECT_EQ(g.gain, want.gain);
          EXPECT_EQ(g.mps, reference_mps(want.amp, lay.nsum));
          for (int32_t j = 0; j < lay.nsum; ++j) {
            const int32_t a =
                j < static_cast<int32_t>(want.amp.size()) ? want.amp[j] : 0;
            ASSERT_EQ(g.amp[j], a) << "group " << k << " sample " << j;
          }
        }
        ASSERT_EQ(next_frgroup(c, g), RsfStatus::kBlockEnd);
      }
      EXPECT_EQ(next_header(c, h), RsfStatus::kEndOfFile);
    }
  }
}

TEST(RsfGen, StoredDayOfYearIsWrittenButTheCalendarDateWins) {
  GenSounding s;
  s.year = 4;
  s.month = 2;
  s.mday = 3;
  s.stored_day = 1;
  const std::vector<uint8_t> bytes = encode_rsf(s);
  RsfHeader h;
  ASSERT_EQ(read_header(bytes, h), RsfStatus::kOk);
  EXPECT_EQ(h.ibcd[rsfhdr::kDayLow], 1);
  EXPECT_EQ(h.day, 34);
}

TEST(RsfGen, OtherFormatCodesAndHeightCountsAreWrittenForErrorTests) {
  GenSounding s;
  s.format_code = 5;
  RsfHeader h;
  EXPECT_EQ(read_header(encode_rsf(s), h), RsfStatus::kNotRsf);
  s.format_code = 4;
  s.nhts = 300;
  const std::vector<uint8_t> bytes = encode_rsf(s);
  ASSERT_EQ(read_header(bytes, h), RsfStatus::kOk);
  EXPECT_EQ(h.nhts, 300);
}

TEST(RsfGen, DayOfYearGivesTheCalendarDateBack) {
  for (int32_t year : {4, 5, 0, 99}) {
    const int32_t days = year % 4 == 0 ? 366 : 365;
    for (int32_t doy = 1; doy <= days; ++doy) {
      GenSounding s;
      s.year = year;
      gen_set_day_of_year(s, doy);
      ASSERT_GE(s.mday, 1);
      ASSERT_EQ(julian(year, s.month, s.mday), doy) << year << " " << doy;
    }
  }
  GenSounding s;
  s.year = 4;
  gen_set_day_of_year(s, 366);
  EXPECT_EQ(s.month, 12);
  EXPECT_EQ(s.mday, 31);
}

TEST(RsfGen, LayerPutsItsAmplitudeAtTheNearestHeightOnBothModes) {
  GenSounding s;
  s.nhts = 256;
  s.h0 = 90;
  s.hstep_code = 2;  // 2.5 km
  gen_add_layer(s, 250.0, 25, 3.0, 3.5, 0.05, 4, 3);
  ASSERT_EQ(s.groups.size(), 22u);  // 11 frequencies, O then X
  EXPECT_EQ(gen_height_index(s, 250.0), 65);
  EXPECT_EQ(gen_height(s, 65), 250.0);
  EXPECT_EQ(gen_height_index(s, 0.0), 1);
  EXPECT_EQ(gen_height_index(s, 5000.0), 249);
  for (std::size_t i = 0; i < s.groups.size(); ++i) {
    const GenGroup& g = s.groups[i];
    EXPECT_EQ(g.pol, i % 2 == 0 ? 2 : 1);
    EXPECT_NEAR(g.mhz, 3.0 + 0.05 * static_cast<double>(i / 2), 1e-9);
    EXPECT_EQ(g.gain, 3);
    ASSERT_EQ(g.amp.size(), 249u);
    EXPECT_EQ(g.amp[64], 25);
    EXPECT_EQ(g.amp[63], 4);
  }
  EXPECT_NEAR(s.groups.back().mhz, 3.5, 1e-9);
}

TEST(RsfGen, WriteRsfWritesTheEncodedBytes) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("rsfgen_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  GenSounding s;
  gen_add_layer(s, 200.0, 20, 2.0, 4.0);
  std::string error;
  const std::string path = (dir / "a.RSF").string();
  ASSERT_TRUE(write_rsf(path, s, error)) << error;
  std::ifstream f(path, std::ios::binary);
  const std::vector<uint8_t> back((std::istreambuf_iterator<char>(f)), {});
  EXPECT_EQ(back, encode_rsf(s));
  EXPECT_FALSE(write_rsf((dir / "missing" / "b.RSF").string(), s, error));
  EXPECT_NE(error, "");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ionoscan
