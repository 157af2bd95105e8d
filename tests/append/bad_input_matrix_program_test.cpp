// append on every kind of bad input, one table: answers missing; either
// file missing, cut short, binary garbage, endless or no regular file, a
// first file that may not be written; a rewrite that cannot be written.
// Each run must fail cleanly (bad_input.h).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bad_input.h"
#include "scratch_fs.h"
#include "series_lines.h"
#include "tempdir.h"

namespace {

using testsupport::garbage;

namespace fs = std::filesystem;
using testsupport::TempDir;

std::string records(int first, int count) {
  std::string t;
  for (int m = first; m < first + 2 * count; m += 2) {
    t += testsupport::series_line({20, 1, 0, m, 0.0, 200, 1, 2});
  }
  return t;
}

enum class Env { kPlain, kReadOnlyFirst, kReadOnlyDir, kFullDisk, kSizeLimit };

struct Case {
  std::string name;
  std::string answers;  // standard input
  // Breaks the good set-up in the run's folder; returns why the case
  // cannot be set up here (the test is skipped), or "".
  std::function<std::string(const TempDir&)> prepare;
  int status;
  std::string message;
  Env env = Env::kPlain;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string no_change(const TempDir&) { return ""; }

std::function<std::string(const TempDir&)> folder(const std::string& name) {
  return [name](const TempDir& d) {
    fs::remove(d.at(name));
    fs::create_directory(d.at(name));
    return std::string();
  };
}

std::function<std::string(const TempDir&)> pipe(const std::string& name) {
  return [name](const TempDir& d) {
    fs::remove(d.at(name));
    return std::string(mkfifo(d.at(name).c_str(), 0644) == 0 ? "" : "no pipe");
  };
}

// A zero device node of the test's own (reading it never ends).
std::function<std::string(const TempDir&)> device(const std::string& name) {
  return [name](const TempDir& d) {
    fs::remove(d.at(name));
    return std::string(
        mknod(d.at(name).c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0
            ? ""
            : "cannot make a device node (not root?)");
  };
}

std::function<std::string(const TempDir&)> text(const std::string& name,
                                                const std::string& t) {
  return [name, t](const TempDir& d) {
    d.write(name, t);
    return std::string();
  };
}

std::vector<Case> cases() {
  const std::string ab = "a\nb\n";
  const std::string long_line = std::string(2 << 20, '7') + "\n";
  const std::string short_record = " 20 1 0 9 1.0 2.0 3.0\n";
  return {
      {"NoAnswer", "", no_change, 2, "input ends before all values"},
      {"SecondAnswerMissing", "a\n", no_change, 2, "input ends before all"},
      {"FirstNameEmpty",
       "''\nb\n",
       no_change,
       1,
       " cannot open or create file : No such file or directory"},
      {"FirstFolder", ab, folder("a"), 1, " cannot write a: Is a directory"},
      {"FirstPipe", ab, pipe("a"), 1, "not a regular file (a pipe)"},
      {"FirstDevice", ab, device("a"), 1, "not a regular file (a device)"},
      {"FirstLinkLoop",
       ab,
       [](const TempDir& d) {
         fs::remove(d.at("a"));
         fs::create_symlink("a", d.at("a"));
         return std::string();
       },
       1,
       " cannot write a: Too many levels of symbolic links"},
      {"FirstReadOnly",
       ab,
       no_change,
       1,
       " read a\n cannot write a: ",  // not permitted, or read-only
       Env::kReadOnlyFirst},
      {"FirstGarbage",
       ab,
       text("a", garbage()),
       1,
       " error reading file a, line 1:"},
      {"FirstRecordCutShort",
       ab,
       text("a", records(0, 2) + short_record),
       1,
       " error reading file a, line 3: only 7 of the 8 values"},
      {"FirstLineWithoutEnd",
       ab,
       text("a", records(0, 1) + long_line),
       1,
       " error reading file a, line 2: longer than 1048576 characters"},
      {"SecondMissing",
       ab,
       [](const TempDir& d) {
         fs::remove(d.at("b"));
         return std::string();
       },
       1,
       " error opening file b"},
      {"SecondFolder", ab, folder("b"), 1, "cannot open file b: Is a dir"},
      {"SecondPipe", ab, pipe("b"), 1, "not a regular file (a pipe)"},
      {"SecondDevice", ab, device("b"), 1, "not a regular file (a device)"},
      {"SecondGarbage",
       ab,
       text("b", garbage()),
       1,
       " error reading file b, line 1:"},
      {"SecondRecordCutShort",
       ab,
       text("b", short_record),
       1,
       " error reading file b, line 1: only 7 of the 8 values"},
      {"SecondLineWithoutEnd",
       ab,
       text("b", long_line),
       1,
       " error reading file b, line 1: longer than 1048576 characters"},
      {"RewriteInAReadOnlyFolder",
       ab,
       no_change,
       1,
       " error writing file a (cannot create a temporary file beside a",
       Env::kReadOnlyDir},
      {"RewriteOnAFullDisk",
       "'disk/a'\n'disk/b'\n",
       no_change,
       1,
       "No space left on device); the file is left as it was",
       Env::kFullDisk},
      {"RewriteBeyondTheFileSizeLimit",
       ab,
       text("b", records(1, 30)),
       1,
       "File too large); the file is left as it was",
       Env::kSizeLimit},
  };
}

class AppendMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(AppendMatrix, FailsCleanly) {
  const Case& c = GetParam();
  TempDir d("append_matrix");
  std::optional<testsupport::SmallDisk> disk;
  std::string at;  // folder of the two files
  if (c.env == Env::kFullDisk) {
    disk.emplace(d.at("disk"), 64);
    if (!disk->ready) GTEST_SKIP() << disk->why;
    at = "disk/";
  }
  d.write(at + "a", records(0, 30));
  d.write(at + "b", records(1, 2));
  if (disk) testsupport::fill_up(d.at("disk/filler"));
  const std::string skip = c.prepare(d);
  if (!skip.empty()) GTEST_SKIP() << skip;
  std::optional<testsupport::ReadOnly> ro;
  if (c.env == Env::kReadOnlyFirst || c.env == Env::kReadOnlyDir) {
    ro.emplace(c.env == Env::kReadOnlyFirst ? d.at("a") : d.path);
    if (!ro->ready) GTEST_SKIP() << ro->why;
  }
  testsupport::RunOptions opt;
  opt.limit_seconds = 30;
  if (c.env == Env::kSizeLimit) opt.prelude = "ulimit -f 4;";
  const testsupport::DirSnapshot before = testsupport::snapshot(d.path);
  const testsupport::RunResult r = testsupport::run_program(
      d.path, testsupport::shell_quoted(IONO_APPEND_BIN), c.answers, opt);
  testsupport::expect_clean_failure(r, c.status, c.message, before, d.path);
}

INSTANTIATE_TEST_SUITE_P(BadInput,
                         AppendMatrix,
                         ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

}  // namespace
