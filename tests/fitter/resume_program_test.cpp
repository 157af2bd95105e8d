// Repeatable runs and resumed runs of ptfit end to end under mpirun, with 1
// process and with 4 (2 ladders of 2 levels, tempering on): the same
// --seed gives the same files and block reports; a run killed after the
// checkpoints of block 2 (by the testing aid PTFIT_TEST_KILL, at the end of
// block 3 before its checkpoints, so that the files already hold block 3)
// and resumed gives the files and reports of the uninterrupted run; a
// resume with other answers or ranges is refused; a set of checkpoints of
// different blocks is resumed from the block all hold, or refused when
// there is none.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const char* const kParams =
    "constant 240 260\namplitude 0 40\nperiod 8 16\nphase 0 "
    "6.283185307179586\n";

void set_up(const TempDir& dir) {
  dir.write("data.txt",
            ptfit_test::sinusoid_series(ptfit_test::Sinusoid{}, kPoints, 1));
  dir.write("params.txt", kParams);
}

// `out` without the initial chi-square lines of processes other than 0:
// mpirun forwards each process's output on its own and may put them
// anywhere, even inside a line of process 0.
std::string without_other_processes(std::string out) {
  const std::string key = "       mpiid/initial chi2";
  size_t at = 0;
  while ((at = out.find(key, at)) != std::string::npos) {
    size_t i = at + key.size();
    while (i < out.size() && out[i] == ' ') ++i;
    if (i < out.size() && out[i] >= '1' && out[i] <= '9') {
      while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i;
      // The chi-square's 12 characters, then the line's end.
      if (i + 12 < out.size() && out[i + 12] == '\n') {
        out.erase(at, i + 13 - at);
        continue;
      }
    }
    at += key.size();
  }
  return out;
}

// ptfit with `options` as an MPI job of `np` processes in `dir`, with
// `answers`; `prelude` runs first in the same shell. Standard output comes
// without the other processes' initial chi-square lines.
ptfit_test::Outcome run(const TempDir& dir,
                        int np,
                        const std::string& options,
                        const std::string& answers,
                        const std::string& prelude = "") {
  testsupport::RunOptions opt;
  opt.limit_seconds = 120;
  opt.prelude = prelude;
  const testsupport::RunResult r = testsupport::run_program(
      dir.path,
      testsupport::mpi_command(np, IONO_PTFIT_BIN) + " " + options,
      answers,
      opt);
  return {without_other_processes(r.out), r.err, r.status};
}

// Ends every process at the end of block 3, before its checkpoint.
const char* const kKillInBlock3 = "export PTFIT_TEST_KILL=3;";

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
    if (block == 0 || has(l, "time")) continue;
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
    const ptfit_test::Outcome ra = run(a, np, "--seed 42", answers(nclones));
    const ptfit_test::Outcome rb = run(b, np, "--seed=42", answers(nclones));
    ASSERT_EQ(ra.status, 0) << ra.out << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.out << rb.err;
    expect_same_files(results(b, np), results(a, np));
    const std::map<int, std::string> reps = reports(ra.out);
    EXPECT_EQ(reps.size(), size_t(kBlocks));
    EXPECT_EQ(reports(rb.out), reps);
    // Another seed walks another way.
    const ptfit_test::Outcome rc = run(b, np, "--seed 43", answers(nclones));
    ASSERT_EQ(rc.status, 0) << rc.out << rc.err;
    EXPECT_NE(b.read("chain_0"), a.read("chain_0"));
  }
}

// Runs the killed and the uninterrupted run of `np` processes and checks
// the refusals and the resume between them.
void expect_resumed_as_uninterrupted(int np, int nclones) {
  SCOPED_TRACE("processes: " + std::to_string(np));
  TempDir whole, dir;
  set_up(whole);
  set_up(dir);
  const ptfit_test::Outcome u = run(whole, np, "--seed 42", answers(nclones));
  ASSERT_EQ(u.status, 0) << u.out << u.err;

  const ptfit_test::Outcome k =
      run(dir, np, "--seed 42 --resume", answers(nclones), kKillInBlock3);
  ASSERT_NE(k.status, 0) << k.out;
  EXPECT_TRUE(has(k.out,
                  "\n no checkpoint to resume from: the run starts "
                  "at block 1\n"))
      << k.out;
  EXPECT_EQ(reports(k.out).rbegin()->first, 3);
  const std::map<std::string, std::string> killed = results(dir, np);

  // Other answers or ranges make another run: refused, every process ends
  // and no file is touched.
  const std::string at = " (checkpoints of block 2)\n";
  ptfit_test::Outcome r = run(dir, np, "--resume", answers(nclones, 6));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  " error: cannot resume: the answer nblocks is 5 in the "
                  "checkpoint and 6 now" +
                      at))
      << r.out;
  dir.write("params.txt",
            "constant 240 260\namplitude 0 50\nperiod 8 16\nphase 0 "
            "6.283185307179586\n");
  r = run(dir, np, "--resume", answers(nclones));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  " error: cannot resume: the parameter file differs: "
                  "parameter 2 (amplitude) has the range 0.0000000000000000 "
                  "to 40.000000000000000 in the checkpoint and "
                  "0.0000000000000000 to 50.000000000000000 now" +
                      at))
      << r.out;
  dir.write("params.txt", kParams);
  r = run(dir, np, "--seed 41 --resume", answers(nclones));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.out, "--seed 41 asks for another run")) << r.out;
  expect_same_files(results(dir, np), killed);

  // Without --seed the run goes on with the checkpoint's stream.
  r = run(dir, np, "--resume", answers(nclones));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  "\n resumed from the checkpoints of block 2: the run goes "
                  "on with block 3 of 5\n"))
      << r.out;
  expect_same_files(results(dir, np), results(whole, np));
  std::map<int, std::string> want = reports(u.out);
  want.erase(1);
  want.erase(2);
  EXPECT_EQ(reports(r.out), want);
  for (const auto& e : std::filesystem::directory_iterator(dir.path)) {
    EXPECT_FALSE(has(e.path().filename().string(), ".tmp")) << e.path();
  }

  // A run without --resume replaces the files, and the checkpoints that
  // describe them go too: a later --resume starts afresh instead of
  // grafting the old run onto the new files.
  r = run(dir, np, "", answers(nclones));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  for (int p = 0; p < np; ++p) {
    const std::string name = "checkpoint_" + std::to_string(p);
    EXPECT_FALSE(std::filesystem::exists(dir.at(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.at(name + ".prev"))) << name;
  }
}

TEST(Resume, AKilledRunResumedGivesTheUninterruptedRunsFilesAndReports) {
  expect_resumed_as_uninterrupted(1, 1);
  expect_resumed_as_uninterrupted(4, 2);
}

TEST(Resume, ASetOfCheckpointsOfDifferentBlocksIsDetected) {
  TempDir whole, dir;
  set_up(whole);
  set_up(dir);
  const ptfit_test::Outcome u = run(whole, 4, "--seed 7", answers(2));
  ASSERT_EQ(u.status, 0) << u.out << u.err;
  const ptfit_test::Outcome k =
      run(dir, 4, "--seed 7 --resume", answers(2), kKillInBlock3);
  ASSERT_NE(k.status, 0) << k.out;
  // Process 1 holds only block 1, as when it was killed before it replaced
  // its checkpoint; process 3's newest file is damaged.
  std::filesystem::rename(dir.at("checkpoint_1.prev"), dir.at("checkpoint_1"));
  std::string damaged = dir.read("checkpoint_3");
  damaged[damaged.size() / 2] ^= 1;
  dir.write("checkpoint_3", damaged);
  const std::string block1 = dir.read("checkpoint_1");

  ptfit_test::Outcome r = run(dir, 4, "--resume", answers(2));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  "\n note: checkpoint_3 is not used: its hash does not "
                  "match: the file is damaged\n"))
      << r.out;
  EXPECT_TRUE(has(r.out, "\n resumed from the checkpoints of block 1: "))
      << r.out;
  expect_same_files(results(dir, 4), results(whole, 4));

  // A finished run resumed is done already and changes nothing.
  r = run(dir, 4, "--resume", answers(2));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  "\n resumed from the checkpoints of block 5: all 5 blocks "
                  "are done\n"));
  expect_same_files(results(dir, 4), results(whole, 4));

  // A chain file that is gone cannot be continued: refused by every
  // process, and no process says it resumed.
  const std::string chain2 = dir.read("chain_2");
  std::filesystem::remove(dir.at("chain_2"));
  r = run(dir, 4, "--resume", answers(2));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.out, " error: cannot resume: cannot open chain_2: "))
      << r.out;
  EXPECT_FALSE(has(r.out, "resumed from")) << r.out;
  dir.write("chain_2", chain2);

  // No block of every process: refused, and nothing is touched.
  dir.write("checkpoint_1", block1);
  std::filesystem::remove(dir.at("checkpoint_1.prev"));
  r = run(dir, 4, "--resume", answers(2));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.out,
                  " error: cannot resume: no block has a checkpoint of every "
                  "process (process 0: blocks 5 and 4; process 1: block 1) "
                  "(remove the files checkpoint_* to start the run afresh)\n"))
      << r.out;
  expect_same_files(results(dir, 4), results(whole, 4));
}

}  // namespace
