// ptfit on every kind of bad input, one table, each case with 1 and 4
// processes: answers missing, of the wrong type or out of range; the data
// and parameter files missing, empty, cut short, binary garbage, endless
// or no regular file; result files that cannot be written. Each run must
// fail cleanly (bad_input.h): every process ends, with one status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bad_input.h"
#include "ptfit_run.h"
#include "scratch_fs.h"

namespace {

using testsupport::garbage;

namespace fs = std::filesystem;
using ptfit_test::series_line;
using ptfit_test::TempDir;

// The answers of the good run, a line each: four points, one fixed
// parameter, two blocks of three moves, a scatter file.
const std::vector<std::string> kAnswers = {"1",
                                           "'./'",
                                           "data.txt",
                                           "20 100 10 0",
                                           "20 100 11 0",
                                           "1 0",
                                           "params.txt",
                                           "2 3 1 1",
                                           "1",
                                           "8.0",
                                           "F 1 2",
                                           "F 1",
                                           "T"};

std::string join(const std::vector<std::string>& lines) {
  std::string t;
  for (const std::string& l : lines) t += l + "\n";
  return t;
}

// The answers with line k replaced by `text`.
std::string answers_with(size_t k, const std::string& text) {
  std::vector<std::string> a = kAnswers;
  a[k] = text;
  return join(a);
}

std::string four_points() {
  return series_line(100, 10, 0, 9, 1) + series_line(100, 10, 15, 11, 1) +
         series_line(100, 10, 30, 9, 1) + series_line(100, 10, 45, 11, 1) +
         series_line(100, 11, 0, 10, 1);
}

enum class Env { kPlain, kReadOnlyDir, kFullDisk, kSizeLimit };

using Prepare = std::function<std::string(const std::string& dir)>;

struct Case {
  std::string name;
  std::string answers;
  // Breaks the good set-up in the run's folder; returns why the case
  // cannot be set up here (the test is skipped), or "".
  Prepare prepare;
  int status;
  std::string message;
  Env env = Env::kPlain;
  bool several_only = false;  // one process switches tempering off
};

struct Run {
  Case c;
  int np;
};

void PrintTo(const Run& r, std::ostream* os) { *os << r.c.name << r.np; }

std::string no_change(const std::string&) { return ""; }

Prepare text(const std::string& name, const std::string& t) {
  return [name, t](const std::string& dir) {
    std::ofstream(dir + "/" + name, std::ios::binary) << t;
    return std::string();
  };
}

Prepare gone(const std::string& name) {
  return [name](const std::string& dir) {
    fs::remove(dir + "/" + name);
    return std::string();
  };
}

Prepare folder(const std::string& name) {
  return [name](const std::string& dir) {
    fs::remove(dir + "/" + name);
    fs::create_directory(dir + "/" + name);
    return std::string();
  };
}

Prepare pipe(const std::string& name) {
  return [name](const std::string& dir) {
    const std::string p = dir + "/" + name;
    fs::remove(p);
    return std::string(mkfifo(p.c_str(), 0644) == 0 ? "" : "no pipe");
  };
}

// A zero device node of the test's own (reading it never ends).
Prepare device(const std::string& name) {
  return [name](const std::string& dir) {
    const std::string p = dir + "/" + name;
    fs::remove(p);
    return std::string(mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0
                           ? ""
                           : "cannot make a device node (not root?)");
  };
}

std::vector<Case> cases() {
  const std::string good = join(kAnswers);
  const std::string long_line = std::string(2 << 20, '7') + "\n";
  const std::string ends = "input ends before all values were read";
  std::vector<Case> v;
  for (const size_t k : {0, 5, 12}) {
    v.push_back({"Missing" + std::to_string(k + 1),
                 join({kAnswers.begin(), kAnswers.begin() + long(k)}),
                 no_change,
                 2,
                 ends});
  }
  const struct {
    const char* name;
    size_t line;
    const char* text;
    int status;
    const char* message;
  } answers[] = {
      {"ModeltypeNotANumber", 0, "x", 2, "cannot read \"x\" as an integer"},
      {"WindowNotNumbers", 3, "20 a 10 0", 2, "cannot read \"a\""},
      {"NparamsNotANumber", 5, "x 0", 2, "cannot read \"x\""},
      {"TemperingNotALogical", 10, "maybe 1 2", 2, "cannot read \"maybe\""},
      {"ScatterNotALogical", 12, "7", 2, "cannot read \"7\""},
      {"NparamsNegative", 5, "-1 0", 1, "cannot be negative"},
      {"SamplingtypeUnknown", 8, "5", 1, " UNDEFINIED CHOICE FOR SAMPLING"},
      {"Chi2maxNaN", 9, "nan", 1, " ERROR: chi2max NaN"},
      {"WindowEndsBeforeItStarts",
       4,
       "20 100 9 0",
       1,
       " does not have any values in the requested timerange"},
  };
  for (const auto& a : answers) {
    v.push_back(
        {a.name, answers_with(a.line, a.text), no_change, a.status, a.message});
  }
  v.push_back({"NparamsOffTheLayout",
               answers_with(5, "2 0"),
               text("params.txt", "c 10 10\na 1 2\n"),
               1,
               " ERROR: modeltype 1 needs 1+3k parameters"});
  v.push_back({"TempratioNegative",
               answers_with(10, "T 1 -2"),
               no_change,
               1,
               " ERROR: tempratio -2.0000000000000000",
               Env::kPlain,
               true});
  v.push_back({"NexchangeZero",
               answers_with(10, "T 0 2"),
               no_change,
               1,
               " ERROR: nexchange 0",
               Env::kPlain,
               true});

  const std::string open_data = " error opening file ./data.txt";
  const std::string open_params = " error reading from paramsfile params.txt";
  const std::vector<Case> files = {
      {"DataMissing", good, gone("data.txt"), 1, open_data},
      {"DataFolder", good, folder("data.txt"), 1, "data.txt: Is a directory"},
      {"DataPipe", good, pipe("data.txt"), 1, "(a pipe)"},
      {"DataDevice", good, device("data.txt"), 1, "(a device)"},
      {"DataEmpty",
       good,
       text("data.txt", ""),
       1,
       " datafile data.txt does not have any values"},
      {"DataGarbage",
       good,
       text("data.txt", garbage()),
       2,
       "./data.txt, line 1:"},
      {"DataLineWithoutEnd",
       good,
       text("data.txt", long_line),
       2,
       "./data.txt, line 1: longer than 1048576 characters"},
      {"DataRecordCutShort",
       good,
       text("data.txt",
            series_line(100, 10, 0, 9, 1) + " 20 100 10 15 0.0 11.0 1.0\n"),
       2,
       "./data.txt, line 2: only 7 of the 8 values"},
      {"DataRecordOffTheGrid",
       good,
       text("data.txt",
            series_line(100, 10, 0, 9, 1) + series_line(100, 10, 7, 9, 1)),
       1,
       "lies on no time step of the window"},
      {"ParamsMissing", good, gone("params.txt"), 1, open_params},
      {"ParamsFolder", good, folder("params.txt"), 1, "Is a directory"},
      {"ParamsPipe", good, pipe("params.txt"), 1, "(a pipe)"},
      {"ParamsDevice", good, device("params.txt"), 1, "(a device)"},
      {"ParamsEmpty",
       good,
       text("params.txt", ""),
       1,
       " error: paramsfile params.txt ended before its time"},
      {"ParamsGarbage",
       good,
       text("params.txt", garbage()),
       2,
       "params.txt, line"},
      {"ParamsLineWithoutEnd",
       good,
       text("params.txt", long_line),
       2,
       "params.txt, line 1: longer than 1048576 characters"},
      {"ResultsInAReadOnlyFolder",
       good,
       no_change,
       1,
       " error writing file c.bin: cannot create a temporary file beside "
       "c.bin",
       Env::kReadOnlyDir},
      {"ResultsOnAFullDisk",
       good,
       no_change,
       1,
       " error writing file c.bin: cannot write c.bin: No space left on "
       "device",
       Env::kFullDisk},
      {"ResultsBeyondTheFileSizeLimit",
       good,
       no_change,
       1,
       " error writing file c.bin: cannot write c.bin: File too large",
       Env::kSizeLimit},
  };
  v.insert(v.end(), files.begin(), files.end());
  return v;
}

std::vector<Run> runs() {
  std::vector<Run> r;
  for (const Case& c : cases()) {
    if (!c.several_only) r.push_back({c, 1});
    r.push_back({c, 4});
  }
  return r;
}

class PtfitMatrix : public ::testing::TestWithParam<Run> {};

TEST_P(PtfitMatrix, FailsCleanly) {
  const Case& c = GetParam().c;
  const int np = GetParam().np;
  TempDir top("ptfit_matrix");
  std::string dir = top.path;  // where the run takes place
  std::optional<testsupport::SmallDisk> disk;
  if (c.env == Env::kFullDisk) {
    disk.emplace(top.at("disk"), 64);
    if (!disk->ready) GTEST_SKIP() << disk->why;
    dir = top.at("disk");
  }
  text("data.txt", four_points())(dir);
  text("params.txt", "c 10 10\n")(dir);
  for (const char* result :
       {"c.bin", "chi2.bin", "reconstructed", "scatter_0"}) {
    text(result, "earlier\n")(dir);
  }
  if (disk) testsupport::fill_up(dir + "/filler");
  const std::string skip = c.prepare(dir);
  if (!skip.empty()) GTEST_SKIP() << skip;
  std::optional<testsupport::ReadOnly> ro;
  if (c.env == Env::kReadOnlyDir) {
    ro.emplace(dir);
    if (!ro->ready) GTEST_SKIP() << ro->why;
  }
  // A file size limit applies to every process of the job, not to the
  // launcher.
  std::string program = testsupport::shell_quoted(IONO_PTFIT_BIN);
  if (c.env == Env::kSizeLimit) {
    program =
        "sh -c " + testsupport::shell_quoted("ulimit -f 0; exec " + program);
  }
  const std::string command =
      std::string(IONO_MPIEXEC) + " " IONO_MPIEXEC_NUMPROC_FLAG " " +
      std::to_string(np) + " " IONO_MPIEXEC_PREFLAGS " " + program;
  testsupport::RunOptions opt;
  opt.limit_seconds = 60;
  const testsupport::DirSnapshot before = testsupport::snapshot(top.path);
  const testsupport::RunResult r =
      testsupport::run_program(dir, command, c.answers, opt);
  // The chain files are the run's log, made at its start: a run that gets
  // that far leaves them, complete to their last whole line.
  for (int rank = 0; rank < np; ++rank) {
    std::filesystem::remove(dir + "/chain_" + std::to_string(rank));
  }
  testsupport::expect_clean_failure(r, c.status, c.message, before, top.path);
}

INSTANTIATE_TEST_SUITE_P(BadInput,
                         PtfitMatrix,
                         ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<Run>& info) {
                           return info.param.c.name + "_" +
                                  std::to_string(info.param.np) + "_processes";
                         });

}  // namespace
