// rsfmake as a user runs it: its usage and version, the arguments it
// refuses (status 2, one line naming the argument), a folder it cannot
// write into (status 1), and a series in two parts with their lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"

namespace {

using testsupport::run_program;
using testsupport::TempDir;

const std::string kRsfmake = IONO_RSFMAKE_BIN;

TEST(Rsfmake, AnswersHelpAndVersionAndRefusesWrongArguments) {
  TempDir dir;
  auto r = run_program(dir.path, kRsfmake + " --help", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: rsfmake [key=value ...]\n", 0), 0u) << r.out;
  for (const char* key : {"  gap_after=0 ", "  phase2=0 ", "  agc=0 "}) {
    EXPECT_NE(r.out.find(key), std::string::npos) << key;
  }
  r = run_program(dir.path, kRsfmake + " --version", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "rsfmake " IONO_VERSION "\n");

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"-h", "unknown option -h"},
      {"count", "expected key=value, got \"count\""},
      {"=4", "expected key=value, got \"=4\""},
      {"colour=4", "unknown key colour"},
      {"count=12x", "count=12x: count takes a whole number from 0 on"},
      {"hour=24", "hour=24: hour takes a whole number from 0 to 23"},
      {"period=0", "period=0: period takes a number from 0.001 on"},
      {"phase=nan", "phase=nan: phase takes a number"},
      {"agc=yes", "agc=yes: agc takes 0 or 1"},
      {"nhts=300", "nhts=300: nhts takes 128, 256 or 512"},
  };
  for (const auto& [arg, message] : refused) {
    r = run_program(dir.path, kRsfmake + " count=1 " + arg, "");
    EXPECT_EQ(r.status, 2) << arg;
    EXPECT_EQ(r.err, "rsfmake: " + message + " (see rsfmake --help)\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(dir.entries(), 0);

  r = run_program(dir.path, kRsfmake + " dir=missing", "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "rsfmake: cannot write missing/snd_000000.RSF\n");
}

TEST(Rsfmake, WritesTwoPartsWithAListEach) {
  TempDir dir;
  const auto r = run_program(dir.path,
                             kRsfmake +
                                 " prefix=st count=5 gap_after=3 gap=1440"
                                 " list=one list2=two agc=1 jitter=2 seed=7",
                             "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read("one"),
            "./st_000000.RSF\n./st_000001.RSF\n./st_000002.RSF\n");
  EXPECT_EQ(dir.read("two"), "./st_000003.RSF\n./st_000004.RSF\n");
  EXPECT_EQ(dir.entries(), 7);
}

}  // namespace
