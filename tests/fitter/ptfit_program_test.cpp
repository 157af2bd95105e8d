// ptfit end to end under mpirun with 1, 2 and 4 processes: the dialogue and
// listings, a run made deterministic by degenerate parameter ranges, the
// result files, the ladders, and every early end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ptfit_run.h"

namespace {

using ptfit_test::Outcome;
using ptfit_test::run_ptfit;
using ptfit_test::series_line;
using ptfit_test::split_lines;
using ptfit_test::TempDir;

// Four points at 10:00-10:45 of day 100, values 9 and 11, then the record
// that ends the window.
std::string four_points() {
  return series_line(100, 10, 0, 9, 1) + series_line(100, 10, 15, 11, 1) +
         series_line(100, 10, 30, 9, 1) + series_line(100, 10, 45, 11, 1) +
         series_line(100, 11, 0, 10, 1);
}

const char* kDataAnswers = "1\n'./'\ndata.txt\n20 100 10 0\n20 100 11 0\n";

// The data dialogue answers, then the run dialogue.
std::string answers(const std::string& config, const char* nparams = "1 0") {
  return std::string(kDataAnswers) + nparams + "\nparams.txt\n" + config;
}

// Two blocks of three moves, statistics from block 2, chi2 histogram up to 8.
std::string config(const char* tempering, const char* clones) {
  return std::string("2 3 1 1\n1\n8.0\n") + tempering + "\n" + clones + "\nT\n";
}

// The expected standard output of process 0 for the deterministic run;
// "<time>" stands for a time line, "<bcast>" for the two lines of the data
// broadcast (only with several processes), "<ratio>" for the exchange ratio.
std::vector<std::string> deterministic_listing(int np, bool ratio) {
  std::vector<std::string> want = {
      "  The number of processes is        " + std::to_string(np),
      " enter modeltype",
      " read 1",
      " enter directory where data is located",
      " read ./",
      " enter filename,year,yearday,startread, stopread",
      " Will look for the range:",
      " 20 100 10 0",
      " 20 100 11 0",
      " number of lines: 5",
      " 20 100 10 0",
      " 20 100 10 15",
      " 20 100 10 30",
      " 20 100 10 45",
      " memory allocated for simulation data ",
      " looking in directory ./",
      " opening file ./data.txt",
      " read  4  simulation data:",
      " 0.0000000000000000 9.0000000000000000 1.0000000000000000",
      " 0.25000000000000000 11.000000000000000 1.0000000000000000",
      " 0.50000000000000000 9.0000000000000000 1.0000000000000000",
      " 0.75000000000000000 11.000000000000000 1.0000000000000000",
      " exiting readdata"};
  if (np > 1) {
    want.push_back(" data will be broadcasted to " + std::to_string(np));
    want.push_back(" data was broatcasted");
  }
  const std::vector<std::string> rest = {
      " enter number of parameters",
      " enter filename to read parameter details",
      " initializing parameter details",
      " read the following parameter details:",
      " nparams= 1",
      " name                    range",
      "c                       10.0        10.0        10.0        0.00    ",
      "       mpiid/initial chi2   0    4.00    ",
      " ############################################",
      " ######## MONTE CARLO BLOCK RESULTS #########",
      " 1 3",
      " chi2: 4.0000000000000000",
      " par.name               val.       maxstep     ratio       average     "
      "sigma        neval.",
      "c                      10.00       0.000       1.000           N/A     "
      "  N/A       N/A",
      "<time>",
      "<time>",
      "<ratio>",
      " ############################################",
      " ######## MONTE CARLO BLOCK RESULTS #########",
      " 2 6",
      " chi2: 4.0000000000000000 0.0000000000000000",
      " par.name               val.       maxstep     ratio       average     "
      "sigma        neval.",
      "c                      10.00       0.000       1.000       10.00       "
      "0.000    ",
      "<time>",
      "<time>",
      "<ratio>"};
  for (const std::string& l : rest) {
    if (l == "<ratio>" && !ratio) continue;
    want.push_back(l);
  }
  return want;
}

// A line of the time estimate: the label, then hours in I4, minutes and
// seconds in I2, separated by colons.
bool is_time_line(const std::string& line, const std::string& label) {
  if (line.size() != 15 + 4 + 1 + 2 + 1 + 2 || line.rfind(label, 0) != 0) {
    return false;
  }
  const std::string t = line.substr(15);
  auto field = [&](size_t from, size_t width) {
    for (size_t i = from; i < from + width; ++i) {
      const bool last = i + 1 == from + width;
      if (!(std::isdigit(static_cast<unsigned char>(t[i])) ||
            (!last && t[i] == ' '))) {
        return false;
      }
    }
    return true;
  };
  return field(0, 4) && t[4] == ':' && field(5, 2) && t[7] == ':' &&
         field(8, 2);
}

// Checks process 0's lines against `want` and that every other process
// printed its initial chi-square line once.
void expect_listing(const Outcome& o,
                    int np,
                    const std::vector<std::string>& want) {
  const std::vector<std::string> all = o.lines();
  std::vector<std::string> mine;
  for (const std::string& l : all) {
    bool other = false;
    for (int r = 1; r < np; ++r) {
      char buf[64];
      std::snprintf(
          buf, sizeof buf, "       mpiid/initial chi2%4d    4.00    ", r);
      if (l == buf) other = true;
    }
    if (!other) mine.push_back(l);
  }
  for (int r = 1; r < np; ++r) {
    char buf[64];
    std::snprintf(
        buf, sizeof buf, "       mpiid/initial chi2%4d    4.00    ", r);
    EXPECT_EQ(std::count(all.begin(), all.end(), std::string(buf)), 1) << buf;
  }
  ASSERT_EQ(mine.size(), want.size()) << o.out;
  bool next_is_remaining = false;
  for (size_t i = 0; i < want.size(); ++i) {
    if (want[i] == "<time>") {
      EXPECT_TRUE(is_time_line(
          mine[i], next_is_remaining ? "time remaining~" : " ellapsed time="))
          << "line " << i + 1 << ": " << mine[i];
      next_is_remaining = !next_is_remaining;
    } else if (want[i] == "<ratio>") {
      // Every attempt swaps: the chi-square is the same everywhere.
      EXPECT_EQ(mine[i], " temp. ratio 0 1.00000000") << "line " << i + 1;
    } else {
      EXPECT_EQ(mine[i], want[i]) << "line " << i + 1;
    }
  }
}

// Counts of the chi-square histogram: all samples fall into bin 5000
// (chi-square 4 of a histogram up to 8).
void expect_chi2_samples(const TempDir& dir, double samples) {
  const std::vector<std::string> lines = split_lines(dir.read("chi2.bin"));
  ASSERT_EQ(lines.size(), 10000u);
  // Bin 5000 starts at 8 * 4999 / 9999.
  EXPECT_EQ(std::stod(lines[4999]), 8.0 * 4999 / 9999);
  EXPECT_EQ(std::stod(lines[4999].substr(lines[4999].rfind(' '))), samples);
  double total = 0;
  for (const std::string& l : lines) total += std::stod(l.substr(l.rfind(' ')));
  EXPECT_EQ(total, samples);
}

void expect_result_files(const TempDir& dir, size_t scatter_records) {
  const std::vector<std::string> bins = split_lines(dir.read("c.bin"));
  ASSERT_EQ(bins.size(), 10000u);
  // A degenerate range bins nothing: the density is 0/0.
  EXPECT_EQ(bins[0], " 10.000000000000000 NaN");
  const std::vector<std::string> model = split_lines(dir.read("reconstructed"));
  const std::vector<std::string> want = {
      " 0.0000000000000000 10.000000000000000",
      " 0.25000000000000000 10.000000000000000",
      " 0.50000000000000000 10.000000000000000",
      " 0.75000000000000000 10.000000000000000",
      "",
      "",
      " 0.0000000000000000 9.0000000000000000",
      " 0.25000000000000000 11.000000000000000",
      " 0.50000000000000000 9.0000000000000000",
      " 0.75000000000000000 11.000000000000000"};
  EXPECT_EQ(model, want);
  std::vector<std::string> scatter = split_lines(dir.read("scatter_0"));
  ASSERT_EQ(scatter.size(), 4 + scatter_records);
  EXPECT_EQ(scatter[0], "NAMEOXLE");
  EXPECT_EQ(scatter[1], " 2");
  EXPECT_EQ(scatter[2], " c                   ");
  EXPECT_EQ(scatter[3], " chi2");
  for (size_t i = 4; i < scatter.size(); ++i) {
    EXPECT_EQ(scatter[i], "         10.000       4.00    ");
  }
  // No temporary file is left behind.
  EXPECT_EQ(std::system(("ls '" + dir.path + "' | grep -q tmp").c_str()) == 0,
            false);
}

// One deterministic run: the processes, the answers on tempering and
// ladders, and what they give.
struct RunCase {
  const char* name;
  int np;
  const char* tempering;  // tempering, nexchange, tempratio
  const char* clones;     // clones, nclones
  bool ratio;             // process 0 prints its exchange ratio
  double chi2_samples;    // samples binned by all processes
  size_t scatter_records;
};

void PrintTo(const RunCase& r, std::ostream* os) { *os << r.name; }

class PtfitRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(PtfitRun, DeterministicRunListingAndResultFiles) {
  const RunCase& r = GetParam();
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 10 10\n");
  const Outcome o =
      run_ptfit(dir, r.np, answers(config(r.tempering, r.clones)));
  EXPECT_EQ(o.status, 0) << o.err;
  expect_listing(o, r.np, deterministic_listing(r.np, r.ratio));
  expect_chi2_samples(dir, r.chi2_samples);
  expect_result_files(dir, r.scatter_records);
}

const RunCase kRuns[] = {
    // One process: tempering and ladders are switched off whatever
    // answered; each move of block 2 bins once, every move is scattered.
    {"OneProcess", 1, "T 1 2.0", "T 3", false, 3, 6},
    // Every move swaps the two levels: one process of the ladder is at
    // temperature 1 during each of the three moves of block 2; process 0 is
    // at temperature 1 after moves 1, 3 and 5 only.
    {"TwoProcessesOneLadder", 2, "T 1 2.0", "F 1", true, 3, 3},
    // Exchanges within each ladder; each always has exactly one process at
    // temperature 1: twice the samples of one ladder.
    {"FourProcessesTwoLadders", 4, "T 1 2.0", "T 2", true, 6, 3},
    // Four independent walkers, every one at temperature 1.
    {"FourWalkersWithoutTempering", 4, "F 1 2.0", "F 1", false, 12, 6},
};

INSTANTIATE_TEST_SUITE_P(Ladders,
                         PtfitRun,
                         ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PtfitScatter, FileThatCannotBeOpenedIsReportedAndFailsTheFinishedRun) {
  // scatter_0 links into a folder that does not exist: no temporary file
  // can be made beside the file it names.
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 10 10\n");
  ASSERT_EQ(symlink("nodir/scatter_0", dir.at("scatter_0").c_str()), 0);
  const Outcome o = run_ptfit(dir, 1, answers(config("F 1 2", "F 1")));
  EXPECT_EQ(o.status, 1) << o.err;
  const std::vector<std::string> lines = o.lines();
  EXPECT_EQ(std::count(lines.begin(),
                       lines.end(),
                       " error opening file scatter_0: cannot create a "
                       "temporary file beside nodir/scatter_0: No such file or "
                       "directory"),
            1)
      << o.out;
  EXPECT_EQ(lines.back(),
            " error: 1 writes of result files failed (see above)");
  EXPECT_EQ(split_lines(dir.read("reconstructed")).size(), 10u);
}

TEST(PtfitNames, FileNamesOfAnyLengthAreTakenWhole) {
  // 210 characters: the first 200 named another file.
  TempDir dir;
  const std::string data = std::string(206, 'd') + ".txt";
  const std::string params = std::string(206, 'p') + ".txt";
  dir.write(data, four_points());
  dir.write(params, "c 10 10\n");
  const Outcome o =
      run_ptfit(dir,
                1,
                "1\n'./'\n" + data + "\n20 100 10 0\n20 100 11 0\n1 0\n" +
                    params + "\n" + config("F 1 2", "F 1"));
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_NE(o.out.find(" opening file ./" + data + "\n"), std::string::npos)
      << o.out;
  EXPECT_EQ(split_lines(dir.read("c.bin")).size(), 10000u);
}

// The lines of an early end: everything after the given line must be absent
// and the run must end promptly with the given status.
void expect_early_end(const Outcome& o,
                      int status,
                      const std::string& message,
                      int copies = 1) {
  EXPECT_EQ(o.status, status) << o.out << o.err;
  const std::vector<std::string> lines = o.lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), message), copies) << o.out;
  EXPECT_EQ(o.out.find("initializing parameter details"), std::string::npos);
}

class EarlyEnd : public ::testing::TestWithParam<int> {};

// Result files that cannot be written: the run goes to its end, reports
// every failed write and ends with status 1 on every process.
class WriteFailure : public ::testing::TestWithParam<int> {};

TEST_P(WriteFailure, FolderNamedLikeAResultFile) {
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 10 10\n");
  std::filesystem::create_directory(dir.at("c.bin"));
  const Outcome o =
      run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")), 60);
  EXPECT_EQ(o.status, 1) << o.out << o.err;
  const std::vector<std::string> lines = o.lines();
  EXPECT_EQ(std::count(lines.begin(),
                       lines.end(),
                       " error writing file c.bin: cannot write c.bin: Is a "
                       "directory"),
            1)
      << o.out;
  EXPECT_EQ(lines.back(),
            " error: 1 writes of result files failed (see above)");
  EXPECT_EQ(split_lines(dir.read("chi2.bin")).size(), 10000u);
}

INSTANTIATE_TEST_SUITE_P(Processes, WriteFailure, ::testing::Values(1, 4));

TEST_P(EarlyEnd, BoundsAndNamesThatCannotBeUsedAreRefused) {
  struct Case {
    const char* nparams;
    const char* params;
    const char* message;
  };
  const Case cases[] = {
      {"1 0",
       "c nan 1\n",
       " ERROR: parameter 1 (c) has the bounds NaN and 1.0000000000000000: "
       "bounds must be finite numbers"},
      {"1 0",
       "c -inf 0\n",
       " ERROR: parameter 1 (c) has the bounds -Infinity and "
       "0.0000000000000000: bounds must be finite numbers"},
      {"1 0",
       "c -1e308 1e308\n",
       " ERROR: parameter 1 (c) has the bounds -1.0000000000000000E+308 and "
       "1.0000000000000000E+308: too large to compute with (the width or the "
       "centre of the range is not a finite number)"},
      {"4 0",
       "c 0 1\na 0 1\nperiod 0 30\nphase 0 1\n",
       " ERROR: parameter 3 (period) is a period of modeltype 1 and its range "
       "from 0.0000000000000000 to 30.000000000000000 includes 0"},
      {"1 0",
       "'../escape' 0 1\n",
       " ERROR: parameter 1 (../escape) cannot name its histogram file "
       "NAME.bin: it holds a slash"},
      {"1 0",
       "'' 0 1\n",
       " ERROR: parameter 1 () cannot name its histogram file NAME.bin: it is "
       "empty"},
      {"1 0",
       ".. 0 1\n",
       " ERROR: parameter 1 (..) cannot name its histogram file NAME.bin: it "
       "is . or .."},
      {"4 0",
       "c 0 1\na 0 1\na 1 2\np 1 2\n",
       " ERROR: parameters 2 and 3 have the same name a: their histograms "
       "would overwrite each other"},
  };
  TempDir dir;
  dir.write("data.txt", four_points());
  for (const Case& c : cases) {
    dir.write("params.txt", c.params);
    const Outcome o = run_ptfit(
        dir, GetParam(), answers(config("F 1 2", "F 1"), c.nparams), 60);
    expect_early_end(o, 1, c.message);
  }
  EXPECT_EQ(dir.entries(), 2);  // nothing written, ../escape.bin neither
}

TEST_P(EarlyEnd, DataFileThatCannotBeOpened) {
  TempDir dir;
  const Outcome o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(o, 1, " error opening file ./data.txt");
}

TEST_P(EarlyEnd, NoRecordInTheWindow) {
  TempDir dir;
  dir.write("data.txt", series_line(101, 10, 0, 9, 1));
  const Outcome o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(
      o,
      1,
      " datafile data.txt does not have any values in the requested timerange");
}

TEST_P(EarlyEnd, RecordWithATimeStepAboveAnHour) {
  TempDir dir;
  dir.write("data.txt",
            testsupport::series_line({20, 100, 10, 0, 0.0, 9, 1, 120.0f}));
  const Outcome o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(o,
                   1,
                   " error: line 1 of ./data.txt (year 20, day 100, hour 10, "
                   "minute 0) has the time step 120.000000; it must be at most "
                   "60 minutes, as the time grid restarts every hour");
}

TEST_P(EarlyEnd, ParameterFileMissingOrShort) {
  TempDir dir;
  dir.write("data.txt", four_points());
  Outcome o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(o, 1, " error reading from paramsfile params.txt");
  dir.write("params.txt", "c 1 2\na 1 2\n");
  o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1"), "4 0"));
  expect_early_end(o, 1, " error: paramsfile params.txt ended before its time");
}

TEST_P(EarlyEnd, RefusedParameterCountAndSamplingType) {
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 1 2\na 1 2\n");
  Outcome o =
      run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1"), "2 0"));
  EXPECT_NE(o.out.find("modeltype 1 needs 1+3k parameters"), std::string::npos)
      << o.out;
  expect_early_end(o, 1, " enter filename to read parameter details");
  o = run_ptfit(
      dir, GetParam(), answers("2 3 1 1\n5\n8.0\nF 1 2\nF 1\nF\n", "1 0"));
  expect_early_end(o, 1, " UNDEFINIED CHOICE FOR SAMPLINGTYPE");
}

TEST_P(EarlyEnd, ReversedParameterRange) {
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 60 0\n");
  const Outcome o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(o,
                   1,
                   " ERROR: parameter c has the lower bound 60.000000000000000 "
                   "above its upper bound 0.0000000000000000");
}

TEST_P(EarlyEnd, UnreadableOrMissingAnswersFailWithADiagnostic) {
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 1 2\n");
  Outcome o = run_ptfit(dir, GetParam(), answers("2 3 1 1\n1\n8.0\nF 1 2\n"));
  expect_early_end(o, 2, " enter filename to read parameter details");
  EXPECT_NE(o.err.find("standard input"), std::string::npos) << o.err;
  o = run_ptfit(dir, GetParam(), "one\n");
  expect_early_end(o, 2, " enter modeltype");
  dir.write("params.txt", "c low 2\n");
  o = run_ptfit(dir, GetParam(), answers(config("F 1 2", "F 1")));
  expect_early_end(o, 2, " enter filename to read parameter details");
  EXPECT_NE(o.err.find("params.txt"), std::string::npos) << o.err;
}

INSTANTIATE_TEST_SUITE_P(Processes, EarlyEnd, ::testing::Values(1, 4));

TEST(PtfitLadders, CountThatDoesNotDivideTheProcessesEndsEveryProcess) {
  TempDir dir;
  dir.write("data.txt", four_points());
  dir.write("params.txt", "c 10 10\n");
  for (const char* clones : {"T 3", "T 0", "T -2"}) {
    const Outcome o = run_ptfit(dir, 4, answers(config("T 1 2.0", clones)));
    EXPECT_EQ(o.status, 1) << clones;
    const std::vector<std::string> lines = o.lines();
    EXPECT_EQ(std::count(lines.begin(),
                         lines.end(),
                         " ERROR: ntemperatures*nclones .ne. mpisize"),
              4)
        << clones << "\n"
        << o.out;
    EXPECT_EQ(o.out.find("initializing"), std::string::npos);
  }
}

}  // namespace
