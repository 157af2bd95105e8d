// rsfdump end to end: a generated sounding of two blocks written as text,
// checked line by line against what the generator put into it; and the
// refusals (arguments, unreadable and non-RSF files).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "rsfgen.h"
#include "run_program.h"

namespace {

using testsupport::run_program;
using testsupport::shell_quoted;
using testsupport::TempDir;

const std::string kRsfdump = IONO_RSFDUMP_BIN;

// A sounding of 10 groups at 256 heights (8 groups a block: two blocks,
// the second filled up with empty groups), 2.5 km steps from 100 km, with
// X, O and no-mode groups and amplitudes that differ from height to height.
rsfgen::GenSounding two_block_sounding() {
  rsfgen::GenSounding s;
  s.year = 10;
  rsfgen::gen_set_day_of_year(s, 152);
  s.hour = 12;
  s.minute = 15;
  s.second = 7;
  s.nhts = 256;
  s.h0 = 100;
  s.hstep_code = 2;
  s.station = "009";
  for (int g = 0; g < 10; ++g) {
    rsfgen::GenGroup grp;
    grp.mhz = 1.05 + 0.35 * g;
    grp.pol = g == 7 ? 0 : 1 + g % 2;
    grp.gain = g % 16;
    for (int k = 0; k < rsfgen::gen_nsum(s.nhts); ++k) {
      grp.amp.push_back((7 * g + 3 * k) % 32);
    }
    s.groups.push_back(grp);
  }
  return s;
}

struct DataLine {
  std::string mhz;  // as written, two decimals
  int pol;
  float km;
  int amp;
};

std::vector<DataLine> data_lines(const std::string& text) {
  std::vector<DataLine> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    DataLine d{};
    f >> d.mhz >> d.pol >> d.km >> d.amp;
    EXPECT_TRUE(f && f.peek() == EOF) << line;
    lines.push_back(d);
  }
  return lines;
}

TEST(Rsfdump, WritesEveryHeightOfEveryGroupAsTheGeneratorMadeIt) {
  TempDir dir;
  const rsfgen::GenSounding s = two_block_sounding();
  std::string error;
  ASSERT_TRUE(rsfgen::write_rsf(dir.at("s.RSF"), s, error)) << error;
  const auto r = run_program(dir.path, kRsfdump + " s.RSF", "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  // Two blocks of 8 groups: the 10 made, then 6 empty ones (0 MHz, pol 0).
  const int nsum = rsfgen::gen_nsum(s.nhts);
  std::vector<rsfgen::GenGroup> groups = s.groups;
  groups.resize(16, rsfgen::GenGroup{0.0, 0, 0, {}});
  const std::vector<DataLine> lines = data_lines(r.out);
  ASSERT_EQ(lines.size(), groups.size() * nsum);
  for (size_t g = 0; g < groups.size(); ++g) {
    char mhz[16];
    std::snprintf(mhz, sizeof mhz, "%.2f", groups[g].mhz);
    for (int k = 0; k < nsum; ++k) {
      const DataLine& d = lines[g * nsum + k];
      SCOPED_TRACE("group " + std::to_string(g + 1) + ", sample " +
                   std::to_string(k + 1));
      EXPECT_EQ(d.mhz, mhz);
      EXPECT_EQ(d.pol, groups[g].pol);
      EXPECT_EQ(d.km, static_cast<float>(rsfgen::gen_height(s, k + 1)));
      const int amp =
          k < static_cast<int>(groups[g].amp.size()) ? groups[g].amp[k] : 0;
      EXPECT_EQ(d.amp, amp);
    }
  }
  EXPECT_EQ(lines[1].km, 102.5f);

  // The sounding line, and the empty lines that part groups and blocks.
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "# sounding 10-06-01 12:15:07 (day 152), receiver 009, "
            "transmitter 009");
  EXPECT_NE(r.out.find("\n\n\n# block 2: 10-06-01 12:15:07 (day 152), h0 100 "
                       "km, hstep 2.5 km, 256 heights, atten 0 dB\n"),
            std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 4), "0\n\n\n");
}

TEST(Rsfdump, RefusesArgumentsAndFilesItCannotDecode) {
  TempDir dir;
  rsfgen::GenSounding other = two_block_sounding();
  other.format_code = 5;
  std::string error;
  ASSERT_TRUE(rsfgen::write_rsf(dir.at("other.RSF"), other, error)) << error;
  std::vector<uint8_t> cut = rsfgen::encode_rsf(two_block_sounding());
  cut.resize(4096 + 60 + 700);  // ends inside the 2nd group of block 2
  dir.write("cut.RSF", std::string(cut.begin(), cut.end()));

  auto r = run_program(dir.path, kRsfdump + " --help", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: rsfdump FILE\n", 0), 0u) << r.out;
  r = run_program(dir.path, kRsfdump + " --version", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("rsfdump ") + IONO_VERSION + "\n");

  for (const char* args : {"", " --bogus other.RSF", " a.RSF b.RSF"}) {
    r = run_program(dir.path, kRsfdump + args, "");
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("rsfdump --help"), std::string::npos) << r.err;
  }
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"missing.RSF", "cannot open missing.RSF"},
      {".", ".: is a directory"},
      {"other.RSF", "other.RSF: not an RSF file: format code 5"},
      {"cut.RSF", "cut.RSF: unexpected end of frequency group (block 2"},
  };
  for (const auto& [file, message] : bad) {
    r = run_program(dir.path, kRsfdump + " " + shell_quoted(file), "");
    EXPECT_EQ(r.status, 1) << file;
    EXPECT_EQ(r.out, "") << file;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
}

}  // namespace
