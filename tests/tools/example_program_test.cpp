// The README's example end to end, shortened: tools/example-run.sh with
// two days of soundings, a day without, two more days, and 5 blocks of
// 2000 moves, through the built programs in a temporary directory. The
// fitted periods must come back to the generator's 24 and 12 hours, the
// phases and amplitudes to the truth that the script prints, ptsummary
// must summarise the fit, and every picture must be a PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

using testsupport::run_program;
using testsupport::shell_quoted;
using testsupport::TempDir;

// One line of summary.txt: the generator's value, what ionoscan's running
// mean leaves of it, and ptfit's mean and sigma.
struct Row {
  double truth = 0, smoothed = 0, fitted = 0, sigma = 0;
};

std::map<std::string, Row> summary(const std::string& path) {
  std::map<std::string, Row> rows;
  std::ifstream in(path);
  std::string name;
  Row r;
  while (in >> name >> r.truth >> r.smoothed >> r.fitted >> r.sigma) {
    rows[name] = r;
  }
  return rows;
}

void expect_png(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  ASSERT_FALSE(ec) << path;
  EXPECT_GT(size, 8000u) << path;
  std::ifstream f(path, std::ios::binary);
  std::string head(8, '\0');
  f.read(head.data(), 8);
  EXPECT_EQ(head, std::string("\x89PNG\r\n\x1a\n", 8)) << path;
}

TEST(Example, FitsThePeriodsItGeneratedAndDrawsEveryPicture) {
  TempDir dir("example");
  const std::string launcher =
      IONO_MPIEXEC " " IONO_MPIEXEC_NUMPROC_FLAG " 2 " IONO_MPIEXEC_PREFLAGS;
  testsupport::RunOptions opt;
  opt.limit_seconds = 240;
  const auto r = run_program(dir.path,
                             "bash " + shell_quoted(IONO_EXAMPLE_RUN) +
                                 " --build " + shell_quoted(IONO_BUILD_DIR) +
                                 " --mpirun " + shell_quoted(launcher) +
                                 " --days 2,2 --blocks 5 --moves 2000 out",
                             "",
                             opt);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("everything is in " + dir.at("out")), std::string::npos)
      << r.out;

  // Over noise seeds the fitted periods of this shortened series spread by
  // 0.03 h (24 h) and 0.02 h (12 h), the phases by 0.05 rad and the
  // amplitudes by 0.25 km; a wrong time axis, a part fitted alone or a
  // neighbouring peak of the chi-square (a cycle more or less over the
  // series: hours away) lies far outside five times that.
  const std::map<std::string, Row> rows = summary(dir.at("out/summary.txt"));
  ASSERT_EQ(rows.size(), 7u) << r.out;
  EXPECT_EQ(rows.at("period_1").truth, 24.0);
  EXPECT_EQ(rows.at("period_2").truth, 12.0);
  EXPECT_NEAR(rows.at("period_1").fitted, 24.0, 0.15);
  EXPECT_NEAR(rows.at("period_2").fitted, 12.0, 0.1);
  for (const char* name : {"phase_1", "phase_2"}) {
    EXPECT_NEAR(rows.at(name).fitted, rows.at(name).truth, 0.25) << name;
  }
  for (const char* name : {"amplitude_1", "amplitude_2", "constant"}) {
    EXPECT_NEAR(rows.at(name).fitted, rows.at(name).smoothed, 1.25) << name;
  }

  if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gnuplot is not installed: no pictures to check";
  }
  // ptsummary's table: the 7 parameters and chi2.
  std::istringstream tsv(dir.read("out/fit/summary.tsv"));
  int lines = 0;
  for (std::string line; std::getline(tsv, line);) ++lines;
  EXPECT_EQ(lines, 9) << dir.read("out/fit/ptsummary.out");

  // Both bands of each part, the joined series, ptfit's model, its 8
  // histograms and the chains' traces and pairs, one ionogram.
  std::istringstream listed(dir.read("out/pictures.txt"));
  std::vector<std::string> pictures;
  for (std::string line; std::getline(listed, line);) pictures.push_back(line);
  EXPECT_EQ(pictures.size(), 17u);
  for (const std::string& png : pictures) expect_png(png);
}

}  // namespace
