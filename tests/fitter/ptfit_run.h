// Runs ptfit under mpirun in a temporary directory with answers on standard
// input, for the end-to-end tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tempdir.h"

namespace ptfit_test {

using TempDir = iono::testdata::TempDir;

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

struct Outcome {
  std::string out;  // standard output of all processes
  std::string err;
  int status = -1;  // exit status of mpirun (124: killed by the time limit)
  double seconds = 0;
  std::vector<std::string> lines() const { return split_lines(out); }
};

// Runs `mpirun -np np ptfit < answers` in `dir`, limited to `limit` seconds.
inline Outcome run_ptfit(const TempDir& dir,
                         int np,
                         const std::string& answers,
                         int limit = 120) {
  setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
  setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  setenv("OMPI_MCA_rmaps_base_oversubscribe", "1", 1);
  dir.write("answers", answers);
  const std::string cmd = "cd '" + dir.path + "' && timeout -k 5 " +
                          std::to_string(limit) + " " MPIEXEC " -np " +
                          std::to_string(np) +
                          " --oversubscribe " IONO_BIN_DIR
                          "/fitter/ptfit < answers > stdout.txt 2> stderr.txt";
  const auto t0 = std::chrono::steady_clock::now();
  const int raw = std::system(cmd.c_str());
  const auto t1 = std::chrono::steady_clock::now();
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.seconds = std::chrono::duration<double>(t1 - t0).count();
  o.out = dir.read("stdout.txt");
  o.err = dir.read("stderr.txt");
  return o;
}

// One series record line as the extractor writes it.
inline std::string series_line(
    int day, int hour, int minute, double value, double sigma) {
  char buf[200];
  std::snprintf(buf,
                sizeof buf,
                " 20 %d %d %d 0.0 %.17g %.17g 15.0000000\n",
                day,
                hour,
                minute,
                value,
                sigma);
  return buf;
}

}  // namespace ptfit_test
