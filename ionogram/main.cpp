// ionoscan: RSF ionograms to "_maxima_" series files. Answers come from the
// file "input" in the working directory; messages go to standard output,
// the diagnostic of an input error to standard error.
#include <csignal>
#include <iostream>

#include "catch_all.h"
#include "driver.h"

int main() {
  // Under a file size limit a write must fail (and be reported), not kill
  // the program.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    const ionoscan::Status s = ionoscan::run_ionoscan(std::cout);
    if (!s.message.empty()) std::cerr << s.message << std::endl;
    return ionoscan::exit_status(s);
  } catch (...) {
    return textio::report_exception("ionoscan");
  }
}
