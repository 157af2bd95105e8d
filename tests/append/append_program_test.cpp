// The append program end to end: the real binary in a temporary folder,
// its answers on standard input, its files and messages checked byte for
// byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "series.h"
#include "series_lines.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;

// The line of a record with 1.25 hours, sigma 2.5 and a 15-minute step.
std::string rec(int year, int day, int hour, int minute, double value = 100) {
  return testsupport::series_line(
      {year, day, hour, minute, 1.25, value, 2.5, 15});
}

struct Outcome {
  int status = -1;
  std::string out;
};

class AppendProgram : public ::testing::Test {
 protected:
  void put(const std::string& name, const std::string& text) {
    dir_.write(name, text);
  }
  std::string get(const std::string& name) { return dir_.read(name); }
  bool exists(const std::string& name) { return dir_.exists(name); }
  size_t entries() { return size_t(dir_.entries()); }

  // Runs append in the folder with `answers` on standard input; `limits`
  // are shell commands run just before it (in a subshell).
  Outcome run(const std::string& answers,
              const std::string& limits = "",
              int seconds = 120) {
    testsupport::RunOptions opt;
    opt.prelude = limits;
    opt.limit_seconds = seconds;
    opt.merge_stderr = true;
    const testsupport::RunResult r = testsupport::run_program(
        dir_.path, testsupport::shell_quoted(IONO_APPEND_BIN), answers, opt);
    return {r.status, r.out};
  }

  testsupport::TempDir dir_{"append_test"};
};

TEST_F(AppendProgram,
       MissingFirstFileIsCreatedFromTheSecondWithoutEmptyRecords) {
  put("b",
      rec(20, 100, 10, 30, 1) + rec(0, 0, 10, 45) + rec(20, 100, 10, 0, 2));
  Outcome r = run("a\nb\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, " read a\n enter filename 1\n read b\n");
  EXPECT_EQ(get("a"), rec(20, 100, 10, 30, 1) + rec(20, 100, 10, 0, 2));
}

TEST_F(AppendProgram, RecordsReplaceEqualKeysAndGoBeforeGreaterOnes) {
  put("a",
      rec(20, 100, 10, 0, 1) + rec(20, 100, 10, 15, 2) +
          rec(20, 100, 10, 30, 3));
  put("b",
      rec(20, 100, 10, 15, 4) + rec(20, 100, 10, 5, 5) +
          rec(20, 99, 23, 45, 6));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"),
            rec(20, 99, 23, 45, 6) + rec(20, 100, 10, 0, 1) +
                rec(20, 100, 10, 5, 5) + rec(20, 100, 10, 15, 4) +
                rec(20, 100, 10, 30, 3));
}

TEST_F(AppendProgram, SameKeysKeepTheFirstFileOrderWithTheSecondFileValues) {
  put("a", rec(20, 5, 1, 0, 1) + rec(20, 3, 1, 0, 2) + rec(20, 4, 1, 0, 3));
  put("b", rec(20, 4, 1, 0, 4) + rec(20, 5, 1, 0, 5) + rec(20, 3, 1, 0, 6));
  EXPECT_EQ(run("a\nb\n").status, 0);
  // (20, 3) and (20, 4) stop at (20, 5): they are inserted before it, and
  // only the first file's (20, 5) is ever found.
  EXPECT_EQ(get("a"),
            rec(20, 3, 1, 0, 6) + rec(20, 4, 1, 0, 4) + rec(20, 5, 1, 0, 5) +
                rec(20, 3, 1, 0, 2) + rec(20, 4, 1, 0, 3));
  put("c", rec(20, 1, 0, 0, 1) + rec(20, 2, 0, 0, 2));
  put("d", rec(20, 1, 0, 0, 3) + rec(20, 2, 0, 0, 4));
  EXPECT_EQ(run("c\nd\n").status, 0);
  EXPECT_EQ(get("c"), get("d"));
}

TEST_F(AppendProgram, EarlierAndLaterRecordsGoFirstAndLast) {
  put("a", rec(20, 100, 10, 0) + rec(20, 100, 11, 0));
  put("b", rec(21, 1, 0, 0) + rec(19, 365, 23, 55));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"),
            rec(19, 365, 23, 55) + rec(20, 100, 10, 0) + rec(20, 100, 11, 0) +
                rec(21, 1, 0, 0));
}

TEST_F(AppendProgram, EmptySecondFileRewritesTheFirstWithoutEmptyRecords) {
  put("a", rec(20, 100, 10, 0) + rec(0, 0, 10, 5) + rec(20, 100, 10, 10));
  put("b", "");
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), rec(20, 100, 10, 0) + rec(20, 100, 10, 10));
}

TEST_F(AppendProgram, EmptyRecordsOfTheFirstFileTakePartInTheSearch) {
  // The empty record (0, 0, 12, 0) is the first key not below (-1, 1, 0, 0),
  // so the new record goes before it, ahead of (-5, 1, 0, 0).
  put("a", rec(0, 0, 12, 0) + rec(-5, 1, 0, 0, 1) + rec(5, 1, 0, 0, 2));
  put("b", rec(-1, 1, 0, 0, 3));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"),
            rec(-1, 1, 0, 0, 3) + rec(-5, 1, 0, 0, 1) + rec(5, 1, 0, 0, 2));
}

TEST_F(AppendProgram, EmptyFirstFileTakesRepeatedKeysAsTheyAre) {
  put("a", "");
  put("b", rec(20, 1, 0, 0, 1) + rec(20, 1, 0, 0, 2));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), rec(20, 1, 0, 0, 1) + rec(20, 1, 0, 0, 2));
}

TEST_F(AppendProgram, RunThatWritesNoRecordLeavesTheFirstFileAsItWas) {
  std::string empties = rec(0, 0, 1, 0) + " 0 0 2 0 1 2 3 4\n";
  put("a", empties);
  put("b", "");
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), empties);
  put("b", rec(0, 0, 5, 0));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), empties);
  put("b", rec(20, 1, 0, 0));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), rec(20, 1, 0, 0));
}

TEST_F(AppendProgram, MissingSecondFileIsReportedAndChangesNothing) {
  std::string before = " 20 1 0 0 1,2,3,4\n" + rec(0, 0, 1, 0);
  put("a", before);
  Outcome r = run("a\n'no such file'\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out,
            " read a\n enter filename 1\n read no such file\n"
            " error opening file no such file\n"
            "append: cannot open file no such file: No such file or "
            "directory\n");
  EXPECT_EQ(get("a"), before);

  r = run("new\nmissing\n");
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(exists("new"));
  EXPECT_EQ(get("new"), "");
  fs::create_directory(dir_.at("sub"));
  EXPECT_NE(run("a\nsub\n").status, 0);
  EXPECT_EQ(get("a"), before);
}

TEST_F(AppendProgram, NamesFollowTheFreeFormRules) {
  fs::create_directory(dir_.at("my dir"));
  put("my dir/b.dat", rec(20, 1, 0, 0));
  Outcome r = run("  'my dir/a.dat'  ignored\n\n\"my dir/b.dat\",x\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            " read my dir/a.dat\n enter filename 1\n read my dir/b.dat\n");
  EXPECT_EQ(get("my dir/a.dat"), rec(20, 1, 0, 0));
}

TEST_F(AppendProgram, NamesOfAnyLengthAreTakenWhole) {
  // 120 characters: the file of its first 100 was created and merged into.
  const std::string name = "d/" + std::string(118, 'n');
  fs::create_directory(dir_.at("d"));
  put("b", rec(20, 1, 0, 5));
  const Outcome r = run("'" + name + "'\nb\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, " read " + name + "\n enter filename 1\n read b\n");
  EXPECT_EQ(get(name), rec(20, 1, 0, 5));
  EXPECT_FALSE(exists(name.substr(0, 100)));
}

TEST_F(AppendProgram, AnswersThatEndEarlyAreAnInputError) {
  Outcome r = run("");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            "input error: standard input, after line 0: input ends before all "
            "values were read (expected a character string)\n");
  r = run("a\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            " read a\n enter filename 1\ninput error: standard input, after "
            "line 1: input ends before all values were read (expected a "
            "character string)\n");
  EXPECT_EQ(get("a"), "");  // created by the load, never written
}

TEST_F(AppendProgram, RecordsAreRewrittenInTheFreeFormLayout) {
  put("a", "20,100,10,0,1.25,100,2.5,15\n");
  put("b", "20 100 10 5 1.25d0 1e2 +2.50 1.5e1\r\n");
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"),
            " 20 100 10 0 1.2500000000000000 100.00000000000000 "
            "2.5000000000000000 15.0000000\n"
            " 20 100 10 5 1.2500000000000000 100.00000000000000 "
            "2.5000000000000000 15.0000000\n");
}

TEST_F(AppendProgram, RealFieldsAreCarriedThroughBitForBit) {
  const double values[] = {0.1,
                           1e-5,
                           -0.0,
                           1e300,
                           4.9e-324,
                           123456.789,
                           -2.675,
                           1.0 / 3,
                           99999999999999999.0};
  std::string text;
  for (int i = 0; i < 9; ++i) {
    char buf[200];
    std::snprintf(buf,
                  sizeof buf,
                  "20 1 0 %d %.17g %.17g %.17g %.9g\n",
                  i,
                  values[i],
                  -values[i],
                  values[8 - i],
                  static_cast<float>(values[i]));
    text += buf;
  }
  put("b", text);
  EXPECT_EQ(run("a\nb\n").status, 0);
  std::istringstream out(get("a"));
  std::string line, why;
  for (int i = 0; i < 9; ++i) {
    ASSERT_TRUE(std::getline(out, line));
    textio::SeriesRecord r;
    ASSERT_TRUE(textio::parse_series_line(line, r, why)) << why;
    EXPECT_EQ(r.minute, i);
    double minus = -values[i];
    float f = static_cast<float>(values[i]);
    EXPECT_EQ(std::memcmp(&r.hours, &values[i], 8), 0) << line;
    EXPECT_EQ(std::memcmp(&r.value, &minus, 8), 0) << line;
    EXPECT_EQ(std::memcmp(&r.sigma, &values[8 - i], 8), 0) << line;
    EXPECT_EQ(std::memcmp(&r.timestep, &f, 4), 0) << line;
  }
}

TEST_F(AppendProgram, LinesThatAreNotOneRecordAreRefusedWithFileAndLine) {
  const std::string good = rec(20, 1, 0, 0) + rec(20, 1, 0, 5);
  const std::vector<std::string> bad = {
      rec(20, 1, 0, 10) + "\n",                      // blank line
      rec(20, 1, 0, 10) + " 20 1 0 15 1 2 3\n",      // short
      rec(20, 1, 0, 10) + " 20 1 O 15 1 2 3 4\n",    // a letter
      rec(20, 1, 0, 10) + " 20 1 0 15 1 2\n 3 4\n",  // broken over two lines
  };
  for (const std::string& b : bad) {
    put("a", good);
    put("b", b);
    Outcome r = run("a\nb\n");
    EXPECT_NE(r.status, 0) << b;
    EXPECT_NE(r.out.find("file b, line 2"), std::string::npos) << r.out;
    EXPECT_EQ(get("a"), good);
  }
  put("a", good + "20 1 0 10 1 2 3\n");
  put("b", rec(20, 1, 0, 20));
  Outcome r = run("a\nb\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out.rfind(" read a\n", 0), 0u);
  EXPECT_NE(r.out.find("file a, line 3"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("enter filename 1"), std::string::npos) << r.out;
  EXPECT_EQ(get("a"), good + "20 1 0 10 1 2 3\n");
}

TEST_F(AppendProgram, FailedWriteLeavesTheFirstFileAsItWas) {
  std::string before;
  for (int m = 0; m < 60; m += 2) before += rec(20, 1, 0, m);
  std::string more;
  for (int m = 1; m < 60; m += 2) more += rec(20, 1, 0, m);
  put("a", before);
  put("b", more);
  // A file size limit of one block: the rewrite cannot complete.
  Outcome r = run("a\nb\n", "ulimit -f 1;");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.out.find("error writing file a"), std::string::npos) << r.out;
  EXPECT_EQ(get("a"), before);
  EXPECT_EQ(entries(), 2u);  // no temporary file left behind
}

TEST_F(AppendProgram, FirstFileThatCannotBeCreatedEndsTheRun) {
  put("plain", "");
  put("b", rec(20, 1, 0, 0));
  Outcome r = run("'plain/a'\nb\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out.rfind(" read plain/a\n", 0), 0u);
  EXPECT_EQ(r.out.find("enter filename 1"), std::string::npos) << r.out;
  EXPECT_EQ(get("plain"), "");
}

TEST_F(AppendProgram, LinksSurviveTheRewrite) {
  put("b", rec(20, 1, 0, 5));
  const std::string merged = rec(20, 1, 0, 0) + rec(20, 1, 0, 5);
  fs::create_directory(dir_.at("data"));

  // A chain of symbolic links: the file at its end is rewritten (its
  // temporary file beside it), every link stays a link.
  put("data/a.dat", rec(20, 1, 0, 0));
  fs::create_symlink("data/a.dat", dir_.at("a"));
  fs::create_symlink("a", dir_.at("via"));
  EXPECT_EQ(run("via\nb\n").status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_.at("via")) && fs::is_symlink(dir_.at("a")));
  EXPECT_EQ(get("data/a.dat"), merged);

  // A link to a file not yet there creates it there.
  fs::create_symlink("data/new.dat", dir_.at("new"));
  EXPECT_EQ(run("new\nb\n").status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_.at("new")));
  EXPECT_EQ(get("data/new.dat"), rec(20, 1, 0, 5));

  // Hard links keep sharing the new content, and its permissions.
  put("h", rec(20, 1, 0, 0));
  fs::permissions(dir_.at("h"), fs::perms(0640));
  fs::create_hard_link(dir_.at("h"), dir_.at("data/h2"));
  EXPECT_EQ(run("h\nb\n").status, 0);
  EXPECT_EQ(get("h"), merged);
  EXPECT_EQ(fs::hard_link_count(dir_.at("h")), 2u);
  EXPECT_TRUE(fs::equivalent(dir_.at("h"), dir_.at("data/h2")));
  EXPECT_EQ(fs::status(dir_.at("h")).permissions(), fs::perms(0640));

  // No temporary file is left anywhere.
  EXPECT_EQ(entries(), 6u);  // b, data, a, via, new, h
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.at("data")),
                          fs::directory_iterator()),
            3);  // a.dat, new.dat, h2
}

TEST_F(AppendProgram, RewrittenFileKeepsItsPermissions) {
  put("a", rec(20, 1, 0, 0));
  put("b", rec(20, 1, 0, 5));
  fs::permissions(dir_.at("a"), fs::perms(0640));
  EXPECT_EQ(run("a\nb\n").status, 0);
  EXPECT_EQ(get("a"), rec(20, 1, 0, 0) + rec(20, 1, 0, 5));
  EXPECT_EQ(fs::status(dir_.at("a")).permissions(), fs::perms(0640));
}

TEST_F(AppendProgram, LongBadValueIsShownCut) {
  put("a", rec(20, 1, 0, 0));
  put("b", " 20 1 0 " + std::string(100000, 'x') + " 1 2 3 4\n");
  const Outcome r = run("a\nb\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            " read a\n enter filename 1\n read b\n error reading file b, line "
            "1: value 4 \"" +
                std::string(40, 'x') +
                "...\" (100000 characters) is not an integer\n");
  EXPECT_EQ(get("a"), rec(20, 1, 0, 0));
}

TEST_F(AppendProgram, FirstFileMustBeARegularFileTheUserMayWrite) {
  put("b", rec(20, 1, 0, 5));
  // A device node of the test's own (a null device): it was replaced by a
  // regular file.
  if (mknod(dir_.at("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "cannot make a device node: " << std::strerror(errno);
  }
  Outcome r = run("null\nb\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            " read null\n cannot write null: not a regular file (a device)\n");
  EXPECT_TRUE(fs::is_character_file(dir_.at("null")));

  // A file its user may not write, in a folder that user may write: it was
  // replaced, and its owner changed.
  put("a", rec(20, 1, 0, 0));
  fs::permissions(dir_.path, fs::perms::all);
  fs::permissions(dir_.at("a"), fs::perms(0444));
  fs::permissions(dir_.at("b"), fs::perms(0444));
  const std::string as_nobody =
      "setpriv --reuid=65534 --regid=65534 --clear-groups " +
      testsupport::shell_quoted(IONO_APPEND_BIN);
  testsupport::RunOptions opt;
  opt.merge_stderr = true;
  const testsupport::RunResult n =
      testsupport::run_program(dir_.path, as_nobody, "a\nb\n", opt);
  if (n.out.find("setpriv:") != std::string::npos) {
    GTEST_SKIP() << "cannot run as another user: " << n.out;
  }
  EXPECT_EQ(n.status, 1);
  EXPECT_EQ(n.out, " read a\n cannot write a: Permission denied\n");
  EXPECT_EQ(get("a"), rec(20, 1, 0, 0));
  struct stat st;
  ASSERT_EQ(stat(dir_.at("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(entries(), 3u);  // b, null, a
}

}  // namespace
