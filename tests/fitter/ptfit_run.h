// Runs ptfit under mpirun in a temporary directory with answers on standard
// input, for the end-to-end tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "lines.h"
#include "run_program.h"
#include "series_lines.h"
#include "tempdir.h"

namespace ptfit_test {

using TempDir = testsupport::TempDir;

using testsupport::split_lines;

struct Outcome {
  std::string out;  // standard output of all processes
  std::string err;
  int status = -1;  // exit status of mpirun (124: killed by the time limit)
  std::vector<std::string> lines() const { return split_lines(out); }
};

// Runs ptfit as an MPI job of `np` processes in `dir` with `answers` on
// standard input, limited to `limit` seconds.
inline Outcome run_ptfit(const TempDir& dir,
                         int np,
                         const std::string& answers,
                         int limit = 120) {
  testsupport::RunOptions opt;
  opt.limit_seconds = limit;
  const testsupport::RunResult r = testsupport::run_program(
      dir.path, testsupport::mpi_command(np, IONO_PTFIT_BIN), answers, opt);
  return {r.out, r.err, r.status};
}

// One record of a 15-minute series of year 20, as the extractor writes it.
inline std::string series_line(
    int day, int hour, int minute, double value, double sigma) {
  return testsupport::series_line(
      {20, day, hour, minute, 0.0, value, sigma, 15.0f});
}

}  // namespace ptfit_test
