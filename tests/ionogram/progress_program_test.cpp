// ionoscan with standard error on a terminal: a progress bar over the
// files of the sampling pass, and standard output as in any other run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_program.h"
#include "scan_run.h"
#include "terminal.h"

namespace ionoscan::testing {
namespace {

TEST(IonoscanProgress, ABarOnATerminalAndStandardOutputUnchanged) {
  // Twelve soundings every 15 minutes from 23:00: the one at 00:00 writes
  // its day lines while the bar is shown.
  ScanDir d;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    const int minutes = 23 * 60 + 15 * i;
    const std::string name = "s" + std::to_string(i) + ".rsf";
    d.sounding(
        name,
        layer_sounding(
            4, 65 + minutes / 1440, minutes / 60 % 24, minutes % 60, 250));
    files.push_back(name);
  }
  d.answers(ScanAnswers{}, files);
  const ScanResult plain = d.run();
  ASSERT_EQ(plain.status, 0) << plain.out;
  EXPECT_EQ(plain.err, "");
  ASSERT_NE(plain.out.find(" day  66 time index 5\n"), std::string::npos);

  const testsupport::TerminalRun t = testsupport::run_on_terminal(
      d.dir.string(), testsupport::shell_quoted(IONO_IONOSCAN_BIN), "");
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.out, plain.out);
  // Drawn in place and ended, full, by the one newline.
  const std::string full =
      "\rionoscan: sampling [" + std::string(30, '#') + "] 12/12 files\r\n";
  EXPECT_GE(t.terminal.size(), full.size());
  EXPECT_EQ(t.terminal.substr(t.terminal.size() - full.size()), full)
      << t.terminal;
  EXPECT_EQ(std::count(t.terminal.begin(), t.terminal.end(), '\n'), 1);
}

}  // namespace
}  // namespace ionoscan::testing
