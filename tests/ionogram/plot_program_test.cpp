// tools/plot end to end: pictures of a small ionoscan run, of result files
// laid out as ptfit writes them, and of one RSF sounding; each must be a
// PNG of some substance, listed on standard output. Skipped where gnuplot
// is missing (the setup step installs it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lines.h"
#include "run_program.h"
#include "scan_run.h"

namespace ionoscan::testing {
namespace {

using testsupport::run_program;
using testsupport::RunResult;
using testsupport::shell_quoted;
using testsupport::split_lines;
using testsupport::TempDir;

bool have_gnuplot() {
  return std::system("command -v gnuplot >/dev/null 2>&1") == 0;
}

// tools/plot with `args`, told where rsfdump is, run in `dir`.
RunResult plot(const std::string& dir, const std::string& args) {
  return run_program(dir,
                     "env IONO_RSFDUMP=" + shell_quoted(IONO_RSFDUMP_BIN) +
                         " " + shell_quoted(IONO_PLOT) + " " + args,
                     "");
}

// A PNG: the signature, and more than a blank canvas's few bytes.
void expect_png(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  ASSERT_FALSE(ec) << path;
  EXPECT_GT(size, 8000u) << path;
  std::ifstream f(path, std::ios::binary);
  std::string head(8, '\0');
  f.read(head.data(), 8);
  EXPECT_EQ(head, std::string("\x89PNG\r\n\x1a\n", 8)) << path;
}

// ptfit's files for a model fitted to 4 points: a parameter histogram with
// a reference marker, "chi2.bin", "reconstructed", and the series fitted.
void write_ptfit_results(const TempDir& d) {
  std::string amp, chi2;
  for (int j = 1; j <= 10000; ++j) {
    const double x = 10.0 + 20.0 * (j - 1) / 9999;
    const double density = j >= 4000 && j < 4400 ? 1.0 / (400 * 0.002) : 0;
    amp += " " + std::to_string(x) + " " + std::to_string(density) + "\n";
    chi2 += " " + std::to_string(0.01 * (j - 1)) + " " +
            std::to_string(j > 200 && j < 900 ? (j % 7) * 10 : 0) + "\n";
  }
  amp += "\n\n";
  for (int k = 0; k <= 10; ++k) amp += " 18.5 " + std::to_string(k) + "\n";
  d.write("amp.bin", amp);
  d.write("chi2.bin", chi2);
  d.write("reconstructed",
          " 0.0 250.0\n 0.25 262.0\n 0.5 250.0\n 0.75 238.0\n\n\n"
          " 0.0 251.5\n 0.25 260.0\n 0.5 249.0\n 0.75 239.5\n");
  d.write("series.dat",
          " 4 65 0 0 0.0 251.5 3.0 15.0\n 4 65 0 15 0.25 260.0 2.5 15.0\n"
          " 4 65 0 30 0.5 249.0 4.0 15.0\n 4 65 0 45 0.75 239.5 3.5 15.0\n");
}

TEST(Plot, DrawsTheSeriesTheResultsAndAnIonogram) {
  if (!have_gnuplot()) GTEST_SKIP() << "gnuplot is not installed";

  // ionoscan on five soundings over six steps: one step stays empty.
  ScanDir scan;
  std::vector<std::string> files;
  for (int m : {0, 15, 30, 60, 75}) {
    const std::string name = "s" + std::to_string(m) + ".rsf";
    scan.sounding(name, layer_sounding(4, 65, m / 60, m % 60, 250 + m / 5));
    files.push_back(name);
  }
  ScanAnswers a;
  a.logo = "run";
  a.navg = "3";
  scan.answers(a, files);
  ASSERT_EQ(scan.run().status, 0);
  RunResult r = plot(scan.dir.string(), "ionoscan .");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(split_lines(r.out),
            std::vector<std::string>{"./run_maxima_1.dat.png"});
  expect_png(scan.at("run_maxima_1.dat.png"));

  // ptfit's files, the pictures into another directory.
  TempDir fit;
  write_ptfit_results(fit);
  r = plot(fit.path, "-o pictures ptfit . series.dat");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(split_lines(r.out),
            (std::vector<std::string>{"pictures/reconstructed.png",
                                      "pictures/amp.bin.png",
                                      "pictures/chi2.bin.png"}));
  for (const std::string& png : split_lines(r.out)) expect_png(fit.at(png));

  // One sounding, the picture named.
  rsfgen::GenSounding s = layer_sounding(4, 65, 12, 0, 250);
  s.groups[4].amp.assign(128, 20);
  scan.sounding("one.RSF", s);
  r = plot(scan.dir.string(), "rsf one.RSF ionogram.png");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ionogram.png\n");
  expect_png(scan.at("ionogram.png"));
}

TEST(Plot, RefusesBadArgumentsAndMissingOrForeignInput) {
  if (!have_gnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  TempDir d;
  d.write("text.RSF", std::string(4096, 'x'));
  write_ptfit_results(d);
  d.write("other.dat", " 4 65 0 0 0.0 1.0 1.0 15.0\n");

  RunResult r = plot(d.path, "--version");
  EXPECT_EQ(r.out, std::string("plot ") + IONO_VERSION + "\n");
  r = plot(d.path, "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: plot", 0), 0u) << r.out;

  for (const char* args : {"",
                           "--bogus ionoscan .",
                           "maps .",
                           "ionoscan",
                           "ionoscan . .",
                           "rsf",
                           "-o"}) {
    r = plot(d.path, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("plot --help"), std::string::npos) << r.err;
  }
  for (const char* args : {"ionoscan missing",
                           "ionoscan .",
                           "ptfit missing",
                           "rsf missing.RSF",
                           "rsf text.RSF",
                           "ptfit . other.dat"}) {
    r = plot(d.path, args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_NE(r.err, "") << args;
  }
  // Nothing left behind by the refusals: no picture, no partial file.
  EXPECT_FALSE(d.exists("text.RSF.png"));
  EXPECT_FALSE(d.exists("reconstructed.png"));
  EXPECT_EQ(d.entries(), 6);
}

}  // namespace
}  // namespace ionoscan::testing
