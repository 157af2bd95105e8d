// The sampler end to end: a constant fitted to n data values has the
// posterior N(mean(y), 1/sqrt(n)) under chi-square = sum (y - p)^2, and the
// reported mean and spread of the samples must match it. Alone, and with
// two processes exchanging temperatures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ptfit_run.h"

namespace {

using ptfit_test::Outcome;
using ptfit_test::run_ptfit;
using ptfit_test::series_line;
using ptfit_test::TempDir;

struct Posterior {
  double mean = 0;
  double sigma = 0;
};

// Sixteen values around 5 at 15-minute steps from 10:00, the window ending
// at 14:00; the parameter file gives the constant the range 0 to 10.
Posterior write_inputs(const TempDir& dir) {
  const std::vector<double> y = {4.1,
                                 5.7,
                                 5.2,
                                 3.9,
                                 6.3,
                                 4.8,
                                 5.5,
                                 4.4,
                                 5.9,
                                 4.6,
                                 5.1,
                                 6.0,
                                 4.2,
                                 5.3,
                                 4.9,
                                 5.4};
  std::string data;
  double sum = 0;
  for (size_t i = 0; i < y.size(); ++i) {
    data += series_line(100, 10 + int(i) / 4, 15 * (int(i) % 4), y[i], 1.0);
    sum += y[i];
  }
  data += series_line(100, 14, 0, 0.0, 1.0);
  dir.write("data.txt", data);
  dir.write("params.txt", "c 0 10\n");
  return {sum / y.size(), 1.0 / std::sqrt(double(y.size()))};
}

// Mean and spread from the last report line of the parameter, in columns
// 57-68 and 69-80 of its (A20,5g12.4) line.
Posterior reported(const Outcome& o) {
  Posterior p{NAN, NAN};
  for (const std::string& l : o.lines()) {
    if (l.size() >= 80 && l.rfind("c ", 0) == 0 &&
        l.find("N/A") == std::string::npos) {
      p.mean = std::stod(l.substr(56, 12));
      p.sigma = std::stod(l.substr(68, 12));
    }
  }
  return p;
}

std::string answers(const char* tempering) {
  return std::string("1\n'./'\ndata.txt\n20 100 10 0\n20 100 14 0\n") +
         "1 0\nparams.txt\n" +
         // 2 blocks of 40000 moves, statistics in block 2 only.
         "2 40000 1 1\n1\n200.0\n" + tempering + "\nF 1\nF\n";
}

// With about 40000 strongly correlated samples the estimates scatter by
// well under 0.01; the tolerances are several times that.
void expect_posterior(const Outcome& o, const Posterior& want) {
  ASSERT_EQ(o.status, 0) << o.err;
  const Posterior got = reported(o);
  EXPECT_NEAR(got.mean, want.mean, 0.03) << o.out;
  EXPECT_NEAR(got.sigma, want.sigma, 0.02) << o.out;
}

TEST(Sampling, ConstantModelMatchesItsPosteriorWithOneProcess) {
  TempDir dir;
  const Posterior want = write_inputs(dir);
  expect_posterior(run_ptfit(dir, 1, answers("F 1 1.0")), want);
}

TEST(Sampling, ConstantModelMatchesItsPosteriorWithTwoTemperingProcesses) {
  TempDir dir;
  const Posterior want = write_inputs(dir);
  expect_posterior(run_ptfit(dir, 2, answers("T 10 2.0")), want);
}

// Sum of the counts in "chi2.bin".
double chi2_samples(const TempDir& dir) {
  double total = 0;
  for (const std::string& l : ptfit_test::split_lines(dir.read("chi2.bin"))) {
    total += std::stod(l.substr(l.rfind(' ')));
  }
  return total;
}

// Exchanges at every move with random outcomes: whatever the swaps, each
// ladder keeps exactly one process at temperature 1, so the samples of a
// block number the ladders times the moves.
TEST(Sampling, EveryLadderKeepsOneReplicaAtTemperatureOneThroughRandomSwaps) {
  TempDir dir;
  write_inputs(dir);
  for (const char* clones : {"F 1", "T 2"}) {
    const std::string a =
        std::string("1\n'./'\ndata.txt\n20 100 10 0\n20 100 14 0\n") +
        "1 0\nparams.txt\n2 500 1 1\n1\n10000.0\nT 1 1.3\n" + clones + "\nF\n";
    const Outcome o = run_ptfit(dir, 4, a);
    ASSERT_EQ(o.status, 0) << o.err;
    const double ladders = clones[0] == 'T' ? 2 : 1;
    EXPECT_EQ(chi2_samples(dir), ladders * 500) << clones;
    // Some swaps are taken and some refused.
    const std::string ratio = o.out.substr(o.out.rfind(" temp. ratio 0 "));
    const double r = std::stod(ratio.substr(15));
    EXPECT_GT(r, 0.0) << ratio;
    EXPECT_LT(r, 1.0) << ratio;
  }
}

}  // namespace
