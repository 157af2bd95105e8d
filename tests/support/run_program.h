// Runs one of the built programs as a user would: in a given directory,
// with a text on standard input, under a time limit, through /bin/sh. The
// one place where the end-to-end tests start a process.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tempdir.h"

namespace testsupport {

struct RunOptions {
  int limit_seconds = 120;    // killed after this long (status 124)
  std::string prelude;        // shell commands run first, e.g. "ulimit -f 8;"
  bool merge_stderr = false;  // standard error into `out`, in order
};

struct RunResult {
  int status = -1;  // exit status; 128 + signal when killed by one
  std::string out;  // standard output
  std::string err;  // standard error (empty with merge_stderr)
};

// The shell-quoted form of `s`.
inline std::string shell_quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the shell command `command` in `dir` with `input` on standard
// input. Nothing is written into `dir` but what the program writes.
inline RunResult run_program(const std::string& dir,
                             const std::string& command,
                             const std::string& input,
                             const RunOptions& opt = {}) {
  TempDir io("run");
  io.write("in", input);
  const std::string redirect =
      " < " + shell_quoted(io.at("in")) + " > " + shell_quoted(io.at("out")) +
      (opt.merge_stderr ? " 2>&1" : " 2> " + shell_quoted(io.at("err")));
  const std::string cmd = "cd " + shell_quoted(dir) + " && (" + opt.prelude +
                          " exec timeout -k 5 " +
                          std::to_string(opt.limit_seconds) + " " + command +
                          ")" + redirect;
  const int w = std::system(cmd.c_str());
  RunResult r;
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w);
  r.out = io.read("out");
  r.err = io.read("err");
  return r;
}

// The command that starts `program` as an MPI job of `np` processes, as
// CTest's MPI settings give it (MPIEXEC_EXECUTABLE, MPIEXEC_NUMPROC_FLAG,
// MPIEXEC_PREFLAGS).
inline std::string mpi_command(int np, const std::string& program) {
  return std::string(IONO_MPIEXEC) + " " IONO_MPIEXEC_NUMPROC_FLAG " " +
         std::to_string(np) + " " IONO_MPIEXEC_PREFLAGS " " +
         shell_quoted(program);
}

}  // namespace testsupport
