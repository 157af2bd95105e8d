// Repeatable runs and resumed runs of ptfit end to end under mpirun, with 1
// process and with 4 (2 ladders of 2 levels, tempering on): the same
// --seed gives the same files and block reports.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "ptfit_run.h"
#include "synthetic_series.h"

namespace {

using ptfit_test::split_lines;
using ptfit_test::TempDir;

constexpr int kBlocks = 5;
constexpr int kPoints = 96;

// 4 parameters, 5 blocks of 300 moves, statistics from block 2, exchanges
// every 5 moves between levels a factor 2 apart, `nclones` ladders, the
// scatter file on.
std::string answers(int nclones, int nblocks = kBlocks) {
  return "1\n'./'\ndata.txt\n" + ptfit_test::sinusoid_window(kPoints) +
         "4 0\nparams.txt\n" + std::to_string(nblocks) + " 300 1 1\n1\n1e6\n" +
         "T 5 2.0\nF " + std::to_string(nclones) + "\nT\n";
}

const char* const kParams =
    "constant 240 260\namplitude 0 40\nperiod 8 16\nphase 0 "
    "6.283185307179586\n";

void set_up(const TempDir& dir) {
  dir.write("data.txt",
            ptfit_test::sinusoid_series(ptfit_test::Sinusoid{}, kPoints, 1));
  dir.write("params.txt", kParams);
}

// ptfit with `options` as an MPI job of `np` processes in `dir`; `prelude`
// runs first in the same shell. Standard output comes without the other
// processes' initial chi-square lines: mpirun forwards each process's
// output on its own and may put them anywhere, even inside a line of
// process 0.
ptfit_test::Outcome run(const TempDir& dir,
                        int np,
                        const std::string& options,
                        int nclones,
                        const std::string& prelude = "") {
  testsupport::RunOptions opt;
  opt.limit_seconds = 120;
  opt.prelude = prelude;
  const testsupport::RunResult r = testsupport::run_program(
      dir.path,
      testsupport::mpi_command(np, IONO_PTFIT_BIN) + " " + options,
      answers(nclones),
      opt);
  static const std::regex others(" {7}mpiid/initial chi2 *[1-9][0-9]*.{12}\n");
  return {std::regex_replace(r.out, others, ""), r.err, r.status};
}

// The files a run writes, by name.
std::map<std::string, std::string> results(const TempDir& dir, int np) {
  std::map<std::string, std::string> files;
  for (const char* name : {"constant.bin",
                           "amplitude.bin",
                           "period.bin",
                           "phase.bin",
                           "chi2.bin",
                           "reconstructed",
                           "scatter_0"}) {
    files[name] = dir.read(name);
  }
  for (int p = 0; p < np; ++p) {
    files["chain_" + std::to_string(p)] =
        dir.read("chain_" + std::to_string(p));
  }
  return files;
}

// Process 0's report of every block (from its banner to the next), without
// the time lines, which follow the clock.
std::map<int, std::string> reports(const std::string& out) {
  std::map<int, std::string> by_block;
  int block = 0;
  bool head = false;
  for (const std::string& l : split_lines(out)) {
    if (l.find("#####") != std::string::npos) {
      head = true;
      continue;
    }
    if (head && l.rfind(" ", 0) == 0 && l.find('#') == std::string::npos) {
      block = std::stoi(l);
      head = false;
    }
    if (block == 0 || l.find("time") != std::string::npos) continue;
    by_block[block] += l + '\n';
  }
  return by_block;
}

void expect_same_files(const std::map<std::string, std::string>& got,
                       const std::map<std::string, std::string>& want) {
  for (const auto& [name, text] : want) {
    EXPECT_FALSE(text.empty()) << name;
    EXPECT_TRUE(got.at(name) == text) << name << " differs";
  }
}

TEST(Repeatable, TheSameSeedTwiceGivesTheSameFilesAndReports) {
  for (const auto& [np, nclones] : {std::pair{1, 1}, std::pair{4, 2}}) {
    SCOPED_TRACE("processes: " + std::to_string(np));
    TempDir a, b;
    set_up(a);
    set_up(b);
    const ptfit_test::Outcome ra = run(a, np, "--seed 42", nclones);
    const ptfit_test::Outcome rb = run(b, np, "--seed=42", nclones);
    ASSERT_EQ(ra.status, 0) << ra.out << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.out << rb.err;
    expect_same_files(results(b, np), results(a, np));
    const std::map<int, std::string> reps = reports(ra.out);
    EXPECT_EQ(reps.size(), size_t(kBlocks));
    EXPECT_EQ(reports(rb.out), reps);
    // Another seed walks another way.
    const ptfit_test::Outcome rc = run(b, np, "--seed 43", nclones);
    ASSERT_EQ(rc.status, 0) << rc.out << rc.err;
    EXPECT_NE(b.read("chain_0"), a.read("chain_0"));
  }
}

}  // namespace
