// ptsummary end to end on ptfit runs under mpirun: the 95% intervals of a
// fit with a known truth hold it; a constant fitted to Gaussian data has
// the analytic posterior N(mean, 1/sqrt(n)) within the Monte Carlo error
// that ptsummary itself estimates; a posterior piled at a bound is
// reported, and --strict fails on it.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ptfit_run.h"
#include "run_program.h"
#include "synthetic_series.h"

namespace {

using ptfit_test::TempDir;

struct Summary {
  int status = -1;
  std::string out;
  std::map<std::string, std::map<std::string, double>> rows;  // name: column
};

Summary run_summary(const TempDir& dir, const std::string& args) {
  const testsupport::RunResult r = testsupport::run_program(
      dir.path, testsupport::shell_quoted(IONO_PTSUMMARY_BIN) + " " + args, "");
  Summary s{r.status, r.out + r.err, {}};
  std::istringstream tsv(dir.read("summary.tsv"));
  std::string line;
  std::vector<std::string> columns;
  for (int n = 0; std::getline(tsv, line); ++n) {
    std::istringstream f(line);
    std::vector<std::string> fields;
    for (std::string x; std::getline(f, x, '\t');) fields.push_back(x);
    if (n == 0) {
      columns = fields;
      continue;
    }
    for (size_t i = 1; i < fields.size() && i < columns.size(); ++i) {
      s.rows[fields[0]][columns[i]] =
          fields[i] == "NA" ? NAN : std::stod(fields[i]);
    }
  }
  return s;
}

// Runs ptfit (model 1, the parameter file `params`) on `data` of `n`
// points: `blocks` blocks of `moves` moves, statistics from block 1.
void fit(const TempDir& dir,
         int np,
         const std::string& data,
         int n,
         const std::string& params,
         const std::string& blocks_moves,
         const std::string& tempering,
         int nclones) {
  dir.write("data.txt", data);
  dir.write("params.txt", params);
  int nparams = 0;
  for (char ch : params) nparams += ch == '\n' ? 1 : 0;
  const std::string answers =
      "1\n'./'\ndata.txt\n" + ptfit_test::sinusoid_window(n) +
      std::to_string(nparams) + " 0\nparams.txt\n" + blocks_moves +
      " 1 1\n1\n1e6\n" + tempering + "\nF " + std::to_string(nclones) + "\nF\n";
  const ptfit_test::Outcome r = ptfit_test::run_ptfit(dir, np, answers, 240);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
}

TEST(Summary, NinetyFivePercentIntervalsHoldTheTruthOfASyntheticSeries) {
  TempDir dir;
  const ptfit_test::Sinusoid truth;
  fit(dir,
      4,
      ptfit_test::sinusoid_series(truth, 96, 1),
      96,
      "constant 240 260\namplitude 0 40\nperiod 8 16\nphase 0 "
      "6.283185307179586\n",
      "6 3000",
      "T 10 2.0",
      2);
  const Summary s = run_summary(dir, "--params params.txt");
  ASSERT_EQ(s.status, 0) << s.out;
  EXPECT_NE(s.out.find(dir.path + ": 4 processes, 2 ladders, 6 complete "
                                  "blocks of 3000 moves; blocks 1-3 burnt in"),
            std::string::npos)
      << s.out;
  const std::map<std::string, double> want = {{"constant", truth.constant},
                                              {"amplitude", truth.amplitude},
                                              {"period", truth.period},
                                              {"phase", truth.phase}};
  for (const auto& [name, value] : want) {
    const std::map<std::string, double>& row = s.rows.at(name);
    EXPECT_LE(row.at("lo95"), value) << name << "\n" << s.out;
    EXPECT_GE(row.at("hi95"), value) << name << "\n" << s.out;
  }
  EXPECT_EQ(s.rows.size(), 5u);  // and chi2
  EXPECT_TRUE(std::isnan(s.rows.at("chi2").at("at_bound")));
}

// 64 values around 5 with unit noise; the mean of the values.
double constant_data(std::string& data) {
  ptfit_test::Sinusoid flat;
  flat.constant = 5;
  flat.amplitude = 0;
  data = ptfit_test::sinusoid_series(flat, 64, 7);
  std::istringstream in(data);
  double sum = 0;
  int n = 0;
  for (std::string line; std::getline(in, line) && n < 64; ++n) {
    std::istringstream f(line);
    double v[6];
    for (double& x : v) f >> x;
    sum += v[5];
  }
  return sum / n;
}

TEST(Summary, AConstantHasTheAnalyticPosteriorWithinTheMonteCarloError) {
  TempDir dir;
  std::string data;
  const double mean = constant_data(data);
  const double sigma = 1 / std::sqrt(64.0);  // chi2 = sum (y - c)^2
  fit(dir, 1, data, 64, "c 0 10\n", "4 20000", "F 1 1.0", 1);
  const Summary s = run_summary(dir, "--params params.txt --strict");
  ASSERT_EQ(s.status, 0) << s.out;
  const std::map<std::string, double>& c = s.rows.at("c");
  // Standard errors of a median and of the 15.9% and 84.1% quantiles of a
  // normal sample of `ess` independent draws: 1.25 and 1.51 sigma/sqrt(ess);
  // five of them.
  const double e = sigma / std::sqrt(c.at("ess"));
  EXPECT_NEAR(c.at("median"), mean, 5 * 1.25 * e) << s.out;
  EXPECT_NEAR(c.at("lo68"), mean - sigma, 5 * 1.51 * e) << s.out;
  EXPECT_NEAR(c.at("hi68"), mean + sigma, 5 * 1.51 * e) << s.out;
  EXPECT_GT(c.at("ess"), 1000) << s.out;
}

TEST(Summary, APosteriorPiledAtABoundIsReportedAndStrictFailsOnIt) {
  TempDir dir;
  std::string data;
  const double mean = constant_data(data);
  // The lower bound at the posterior's peak: half of it is cut off.
  char params[64];
  std::snprintf(params, sizeof params, "c %.17g %.17g\n", mean, mean + 5);
  fit(dir, 1, data, 64, params, "2 10000", "F 1 1.0", 1);
  const Summary s = run_summary(dir, "--params params.txt --strict");
  EXPECT_EQ(s.status, 1) << s.out;
  EXPECT_GT(s.rows.at("c").at("at_bound"), 0.2) << s.out;
  EXPECT_NE(s.out.find("warning: c: "), std::string::npos) << s.out;
  EXPECT_NE(s.out.find("the posterior is piled against it"), std::string::npos)
      << s.out;
  // Without --strict the summary is still a success.
  EXPECT_EQ(run_summary(dir, "--params params.txt").status, 0);
}

}  // namespace

TEST(Summary, WrongArgumentsAndUnreadableInputEndWithStatusTwo) {
  TempDir dir;
  EXPECT_EQ(run_summary(dir, "--help").status, 0);
  const Summary version = run_summary(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("ptsummary ", 0), 0u) << version.out;
  for (const char* args : {"--burn", "--burn x", "--frobnicate", "a b"}) {
    EXPECT_EQ(run_summary(dir, args).status, 2) << args;
  }
  const Summary none = run_summary(dir, "");
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.out.find("no chain files"), std::string::npos) << none.out;
  dir.write("chain_0",
            "block\tmove\tladder\tprocess\tchi2\tc\n1\t1\t0\t0\t1\t2\n");
  EXPECT_EQ(run_summary(dir, "--burn 1").status, 2);
  const Summary missing = run_summary(dir, "--burn 0 --params nofile");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.out.find("nofile: cannot be opened"), std::string::npos);
  EXPECT_FALSE(dir.exists("summary.tsv"));
}
