// ionoscan: RSF ionograms to "_maxima_" series files. Answers come from the
// file "input" in the working directory; messages go to standard output,
// the diagnostic of an input error to standard error.
#include <csignal>
#include <iostream>

#include "catch_all.h"
#include "command_line.h"
#include "driver.h"
#include "progress.h"
#include "usage.h"

int main(int argc, char** argv) {
  const textio::CommandLine cl = textio::read_command_line(argc, argv);
  if (cl.ask != textio::CommandLine::Ask::kRun) {
    return textio::answer_command_line(cl, "ionoscan", ionoscan::kUsage);
  }
  // Under a file size limit a write must fail (and be reported), not kill
  // the program.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    const ionoscan::Status s =
        ionoscan::run_ionoscan(std::cout, textio::progress_stream());
    if (!s.message.empty()) std::cerr << s.message << std::endl;
    return ionoscan::exit_status(s);
  } catch (...) {
    return textio::report_exception("ionoscan");
  }
}
