// ptfit with standard error on a terminal: process 0's line a block with
// the blocks done, the moves per second and the time left, and standard
// output as in any other run; --progress shows the lines under mpirun too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ptfit_run.h"
#include "terminal.h"

namespace {

using ptfit_test::series_line;
using ptfit_test::split_lines;
using ptfit_test::TempDir;

// Standard output without the time estimate's lines, which follow the
// clock.
std::vector<std::string> untimed(const std::string& out) {
  std::vector<std::string> lines;
  for (const std::string& l : split_lines(out)) {
    if (l.find("time") == std::string::npos) lines.push_back(l);
  }
  return lines;
}

TEST(PtfitProgress, ALineABlockOnATerminalAndStandardOutputUnchanged) {
  TempDir dir;
  dir.write("data.txt",
            series_line(100, 10, 0, 9, 1) + series_line(100, 10, 15, 11, 1) +
                series_line(100, 10, 30, 10, 1));
  // A degenerate range: the same walk whatever the seed.
  dir.write("params.txt", "c 10 10\n");
  const std::string answers =
      "1\n'./'\ndata.txt\n20 100 10 0\n20 100 11 0\n1 0\nparams.txt\n"
      "3 50 1 1\n1\n8.0\nF 10 1.5\nF 1\nF\n";
  const std::string ptfit = testsupport::shell_quoted(IONO_PTFIT_BIN);

  const testsupport::RunResult plain =
      testsupport::run_program(dir.path, ptfit, answers);
  ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
  EXPECT_EQ(plain.err, "");

  const testsupport::TerminalRun t =
      testsupport::run_on_terminal(dir.path, ptfit, answers);
  EXPECT_EQ(t.status, 0) << t.terminal;
  EXPECT_EQ(untimed(t.out), untimed(plain.out));

  const std::vector<std::string> lines = split_lines(t.terminal);
  ASSERT_EQ(lines.size(), 3u) << t.terminal;
  for (int k = 1; k <= 3; ++k) {
    const std::string& l = lines[k - 1];
    const std::string end = k < 3 ? " left\r" : " in all\r";
    EXPECT_EQ(l.rfind("ptfit: block " + std::to_string(k) + " of 3 done, ", 0),
              0u)
        << l;
    EXPECT_NE(l.find(" moves/s, "), std::string::npos) << l;
    EXPECT_EQ(l.substr(l.size() - end.size()), end) << l;
  }

  // Under mpirun standard error is a pipe: the lines show when asked for,
  // once (from process 0), and never on standard output.
  testsupport::RunOptions opt;
  opt.limit_seconds = 60;
  const testsupport::RunResult m = testsupport::run_program(
      dir.path,
      testsupport::mpi_command(2, IONO_PTFIT_BIN) + " --progress",
      answers,
      opt);
  ASSERT_EQ(m.status, 0) << m.out << m.err;
  EXPECT_EQ(m.out.find("ptfit: block"), std::string::npos) << m.out;
  const std::vector<std::string> shown = split_lines(m.err);
  ASSERT_EQ(shown.size(), 3u) << m.err;
  EXPECT_EQ(shown[2].rfind("ptfit: block 3 of 3 done, ", 0), 0u) << m.err;
}

}  // namespace
