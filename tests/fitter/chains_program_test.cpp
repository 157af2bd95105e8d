// The chain files end to end under mpirun: with 1 process, with one ladder
// of 2 levels and with 2 ladders of 2 levels, the files of all processes
// merged give every ladder exactly one line per move of the run, each in
// its process's file, and process 0's lines are the states of its scatter
// file. A run replaces the chain files of an earlier run.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fortran_format.h"
#include "ptfit_run.h"
#include "synthetic_series.h"

namespace {

using ptfit_test::split_lines;
using ptfit_test::TempDir;

std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> f;
  std::istringstream in(line);
  for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
  return f;
}

constexpr int kBlocks = 3;
constexpr int kMoves = 400;
constexpr int kPoints = 96;

// 4 parameters, 3 blocks of 400 moves, exchanges every 5 moves between
// levels a factor 2 apart, `nclones` ladders, the scatter file on.
std::string answers(int nclones) {
  return "1\n'./'\ndata.txt\n" + ptfit_test::sinusoid_window(kPoints) +
         "4 0\nparams.txt\n" + std::to_string(kBlocks) + " " +
         std::to_string(kMoves) + " 1 1\n1\n1e6\nT 5 2.0\nF " +
         std::to_string(nclones) + "\nT\n";
}

// The scatter record of a chain line's values: (f15.3) each, chi2 (G15.3).
std::string as_scatter(const std::vector<std::string>& f) {
  std::string s;
  for (size_t i = 5; i < f.size(); ++i) {
    s += textio::fortran_format("(f15.3)", {std::stod(f[i])});
  }
  return s + textio::fortran_format("(G15.3)", {std::stod(f[4])});
}

void expect_whole_chains(int np, int nclones) {
  SCOPED_TRACE("processes: " + std::to_string(np));
  TempDir dir;
  dir.write("data.txt",
            ptfit_test::sinusoid_series(ptfit_test::Sinusoid{}, kPoints, 1));
  dir.write("params.txt",
            "constant 240 260\namplitude 0 40\nperiod 8 16\nphase 0 "
            "6.283185307179586\n");
  dir.write("chain_" + std::to_string(np), "an earlier run's\n");
  const ptfit_test::Outcome r =
      ptfit_test::run_ptfit(dir, np, answers(nclones));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(dir.exists("chain_" + std::to_string(np)));

  const int levels = np / nclones;
  std::map<int, std::set<std::pair<int, int>>> moves;  // ladder: block, move
  size_t lines = 0;
  for (int p = 0; p < np; ++p) {
    const std::vector<std::string> text =
        split_lines(dir.read("chain_" + std::to_string(p)));
    ASSERT_FALSE(text.empty()) << "chain_" << p;
    EXPECT_EQ(text[0],
              "block\tmove\tladder\tprocess\tchi2\tconstant\tamplitude\tperiod"
              "\tphase");
    std::vector<std::string> scatter;
    for (size_t i = 1; i < text.size(); ++i) {
      const std::vector<std::string> f = fields_of(text[i]);
      ASSERT_EQ(f.size(), 9u) << text[i];
      EXPECT_EQ(std::stoi(f[2]), p / levels) << text[i];
      EXPECT_EQ(f[3], std::to_string(p)) << text[i];
      const bool fresh =
          moves[p / levels].insert({std::stoi(f[0]), std::stoi(f[1])}).second;
      EXPECT_TRUE(fresh) << "twice: " << text[i];
      if (p == 0) scatter.push_back(as_scatter(f));
      ++lines;
    }
    if (p == 0) {
      const std::vector<std::string> s = split_lines(dir.read("scatter_0"));
      const size_t head = 7;  // NAMEOXLE, 5, 4 names, chi2
      ASSERT_EQ(s.size(), head + scatter.size());
      for (size_t i = 0; i < scatter.size(); ++i) {
        ASSERT_EQ(s[head + i], scatter[i]) << "record " << i;
      }
    }
  }
  ASSERT_EQ(moves.size(), size_t(nclones));
  EXPECT_EQ(lines, size_t(nclones * kBlocks * kMoves));
  for (const auto& [ladder, seen] : moves) {
    EXPECT_EQ(seen.size(), size_t(kBlocks * kMoves)) << "ladder " << ladder;
    EXPECT_EQ(*seen.begin(), std::make_pair(1, 1));
    EXPECT_EQ(*seen.rbegin(), std::make_pair(kBlocks, kMoves));
  }
}

TEST(ChainFiles, EveryLadderHasOneLinePerMoveOnceAllFilesAreMerged) {
  expect_whole_chains(1, 1);
  expect_whole_chains(2, 1);
  expect_whole_chains(4, 2);
}

}  // namespace
