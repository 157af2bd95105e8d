// ionoscan on recorded soundings of a real station, when the folder of
// recordings sits beside the project (../shared/real-rsf); skipped when it
// does not. The recordings are only read, never kept: a run copies them into
// its temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "rsf.h"
#include "scan_run.h"

namespace ionoscan::testing {
namespace {

// The folder of recordings, or empty when there is none.
fs::path recordings() {
  const fs::path root = fs::path(IONO_TEST_DATA).parent_path().parent_path();
  for (const fs::path& p :
       {root.parent_path() / "shared" / "real-rsf",
        root.parent_path().parent_path() / "shared" / "real-rsf"}) {
    if (fs::exists(p / "KJ609_2010157151000.RSF")) return p;
  }
  return {};
}

std::vector<uint8_t> bytes_of(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string text_of(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(RealRecordings, EveryFrequencyHasOneXAndOneOGroup) {
  const fs::path dir = recordings();
  if (dir.empty()) GTEST_SKIP() << "no recordings beside the project";
  for (const char* name : {"KJ609_2010111042000.RSF",
                           "KJ609_2010157151000.RSF",
                           "KJ609_2010157152000.RSF"}) {
    const std::vector<uint8_t> b = bytes_of(dir / name);
    RsfCursor c{b};
    RsfHeader h;
    FrGroup g;
    ASSERT_EQ(next_header(c, h), RsfStatus::kOk) << name;
    EXPECT_EQ(h.nhts, 256);
    EXPECT_EQ(h.h0, 90.0f);
    EXPECT_EQ(h.hstep, 5.0f);
    EXPECT_EQ(h.atten, 0.0f);  // automatic gain: codes 8 and 9
    int32_t blocks = 1;
    // Groups per frequency (hundredths of MHz) and polarisation code.
    std::map<int32_t, std::map<int32_t, int32_t>> seen;
    for (;;) {
      const RsfStatus st = next_frgroup(c, g);
      if (st == RsfStatus::kBlockEnd) {
        if (next_header(c, h) == RsfStatus::kEndOfFile) break;
        ASSERT_EQ(h.nhts, 256);
        ++blocks;
        continue;
      }
      ASSERT_EQ(st, RsfStatus::kOk) << name << " block " << blocks;
      EXPECT_EQ(g.nsum, 249);
      ++seen[static_cast<int32_t>(g.fMhz * 100.0f + 0.5f)][g.pol];
    }
    EXPECT_EQ(blocks, 60) << name;
    // 240 frequencies from 1.00 to 12.95 MHz (a few steps off the 0.05 MHz
    // raster), every one once in X mode and once in O mode.
    ASSERT_EQ(seen.size(), 240u) << name;
    EXPECT_EQ(seen.begin()->first, 100) << name;
    EXPECT_EQ(seen.rbegin()->first, 1295) << name;
    for (const auto& [centi, pols] : seen) {
      EXPECT_EQ(pols, (std::map<int32_t, int32_t>{{1, 1}, {2, 1}}))
          << name << " at " << centi;
    }
  }
}

// Expected lines from an independent implementation of the extractor.
TEST(RealRecordings, TwoNightSoundingsGiveTheReferenceSeries) {
  const fs::path dir = recordings();
  if (dir.empty()) GTEST_SKIP() << "no recordings beside the project";
  ScanDir d;
  for (const char* name :
       {"KJ609_2010157151000.RSF", "KJ609_2010157152000.RSF"}) {
    fs::copy_file(dir / name, d.at(name));
  }
  ScanAnswers a;
  a.logo = "night";
  a.dt = "10";
  a.bands = {"1 4", "4 8", "1 13"};
  a.msignl = "0";
  a.window = "90 600";
  a.navg = "3";
  const std::vector<std::string> files = {"KJ609_2010157152000.RSF",
                                          "KJ609_2010157151000.RSF"};
  const std::map<std::string, std::vector<std::string>> expected = {
      {"3",
       {" 10 157 15 10 0.0000000000000000 383.33333333333331 "
        "15.456030825826696 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 383.33333333333331 "
        "19.293061504650293 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 433.33333333333337 "
        "17.795130420051912 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 433.33333333333337 "
        "32.998316455372020 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 383.33333333333337 "
        "10.801234497345984 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 383.33333333333337 "
        "16.996731711975571 10.0000000\n"}},
      {"1",
       {" 10 157 15 10 0.0000000000000000 383.33333333333331 "
        "15.456030825826696 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 383.33333333333331 "
        "19.293061504650293 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 436.66666666666669 "
        "14.337208778403589 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 436.66666666666669 "
        "32.998316455372020 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 384.16666666666669 "
        "10.274023338280525 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 384.16666666666669 "
        "16.996731711975571 10.0000000\n"}},
      {"2",
       {" 10 157 15 10 0.0000000000000000 387.50000000000000 "
        "15.456030825825755 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 387.50000000000000 "
        "19.293061504650293 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 395.83333333333337 "
        "20.548046676563175 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 395.83333333333337 "
        "24.494897427831781 10.0000000\n",
        " 10 157 15 10 0.0000000000000000 395.83333333333337 "
        "14.337208778403589 10.0000000\n"
        " 10 157 15 20 0.16666666666666666 395.83333333333337 "
        "14.719601443879416 10.0000000\n"}},
  };
  for (const auto& [polmode, bands] : expected) {
    a.polmode = polmode;
    d.answers(a, files);
    const ScanResult r = d.run();
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(" daymin, daymax: 157 157\n"
                         " hourmin, hourmax: 15 15\n"
                         " minutemin, minutemax: 10 20\n"
                         " Ly is  365\n"),
              std::string::npos)
        << r.out;
    for (size_t ib = 0; ib < bands.size(); ++ib) {
      const std::string name =
          "night_maxima_" + std::to_string(ib + 1) + ".dat";
      EXPECT_EQ(text_of(d.at(name)), bands[ib])
          << "mode " << polmode << ", " << name;
    }
  }
}

}  // namespace
}  // namespace ionoscan::testing
