// The command line of every program and tool: --help and --version on
// standard output with status 0, any other argument refused on standard
// error with status 2, nothing read or written; ptfit under mpirun answers
// once and ends every process; append says what it waits for on a
// terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"
#include "tempdir.h"
#include "terminal.h"

namespace {

using testsupport::run_program;
using testsupport::shell_quoted;
using testsupport::TempDir;

struct Program {
  std::string name;  // as it names itself
  std::string path;
  bool takes_arguments;  // a run of it takes arguments of its own
};

const std::vector<Program> kPrograms = {
    {"ionoscan", IONO_IONOSCAN_BIN, false},
    {"append", IONO_APPEND_BIN, false},
    {"ptfit", IONO_PTFIT_BIN, false},
    {"ptsummary", IONO_PTSUMMARY_BIN, true},
    {"rsfdump", IONO_RSFDUMP_BIN, true},
    {"rsfmake", IONO_RSFMAKE_BIN, true},
    {"plot", IONO_PLOT, true},
};

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(CommandLine, EveryProgramAnswersHelpAndVersionAndRefusesTheRest) {
  for (const Program& p : kPrograms) {
    SCOPED_TRACE(p.name);
    TempDir dir;
    // An answers file that a run would read: --help must not.
    dir.write("input", "logo\n");
    const std::string cmd = shell_quoted(p.path);

    auto r = run_program(dir.path, cmd + " --help", "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: " + p.name, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");

    r = run_program(dir.path, cmd + " --version", "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, p.name + " " IONO_VERSION "\n");
    EXPECT_EQ(r.err, "");

    std::vector<std::pair<std::string, std::string>> refused = {
        {"--bogus", "unknown option --bogus"}};
    if (!p.takes_arguments) {
      refused.push_back({"input", "unexpected argument input"});
      refused.push_back({"-- --help", "unknown option --"});
    }
    for (const auto& [args, words] : refused) {
      r = run_program(dir.path, cmd + " " + args, "");
      EXPECT_EQ(r.status, 2) << args;
      EXPECT_EQ(r.out, "") << args;
      EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1),
                p.name + ": " + words + " (see " + p.name + " --help)\n")
          << r.err;
    }
    EXPECT_EQ(dir.entries(), 1);
  }
}

TEST(CommandLine, PtfitUnderMpiAnswersOnceAndEndsEveryProcess) {
  TempDir dir;
  testsupport::RunOptions opt;
  opt.limit_seconds = 60;
  auto r = run_program(dir.path,
                       testsupport::mpi_command(2, IONO_PTFIT_BIN) + " --help",
                       "",
                       opt);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(r.out, "usage: ptfit"), 1u) << r.out;

  r = run_program(dir.path,
                  testsupport::mpi_command(2, IONO_PTFIT_BIN) + " --bogus",
                  "",
                  opt);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(count(r.err, "ptfit: unknown option --bogus"), 1u) << r.err;
  EXPECT_EQ(dir.entries(), 0);
}

TEST(CommandLine, AppendSaysWhatItWaitsForOnlyOnATerminal) {
  TempDir dir;
  const std::string names = "'all.dat'\n'more.dat'\n";
  dir.write("more.dat", " 20 100 10 0 0.0 100.0 2.5 15.0\n");
  const std::string cmd = shell_quoted(IONO_APPEND_BIN);
  const std::string waiting =
      "append: waiting for two file names on standard input (the file to "
      "merge into, then the file to merge)";

  const testsupport::TerminalRun t =
      testsupport::run_on_terminal(dir.path, cmd, names, /*typed=*/true);
  EXPECT_EQ(t.status, 0) << t.terminal;
  EXPECT_EQ(t.terminal.rfind(waiting + "\r\n", 0), 0u) << t.terminal;
  EXPECT_EQ(t.out, " read all.dat\n enter filename 1\n read more.dat\n");

  // Answers from a file: no word on standard error, and the same dialogue.
  const auto r = run_program(dir.path, cmd, names);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, t.out);
}

}  // namespace
