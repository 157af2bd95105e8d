// Runs a built program with standard error (and, if asked, standard input)
// on a pseudo-terminal, as when a person watches it, and standard output
// into a file: for the tests of what the programs show only on a terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>

#include "run_program.h"
#include "tempdir.h"

namespace testsupport {

struct TerminalRun {
  int status = -1;       // exit status; 128 + signal when killed by one
  std::string out;       // standard output (a file)
  std::string terminal;  // what the program wrote on the terminal (which
                         // turns "\n" into "\r\n"; typed input is not
                         // echoed)
};

// Runs the shell command `command` in `dir`, standard error on a fresh
// pseudo-terminal. `input` goes to standard input from a file, or, with
// `typed`, is typed at the terminal, which is then standard input too.
// Killed after `limit_seconds`.
inline TerminalRun run_on_terminal(const std::string& dir,
                                   const std::string& command,
                                   const std::string& input,
                                   bool typed = false,
                                   int limit_seconds = 120) {
  TempDir io("tty");
  io.write("in", input);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  const std::string slave_name = ptsname(master);
  termios mode{};
  if (tcgetattr(master, &mode) == 0) {
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(master, TCSANOW, &mode);
  }
  const std::string shell =
      "cd " + shell_quoted(dir) + " && exec " + command + " > " +
      shell_quoted(io.at("out")) +
      (typed ? std::string() : " < " + shell_quoted(io.at("in")));
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot fork");
  if (pid == 0) {
    const int slave = open(slave_name.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) _exit(127);
    dup2(slave, STDERR_FILENO);
    if (typed) dup2(slave, STDIN_FILENO);
    close(slave);
    close(master);
    execl("/bin/sh", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (typed && !input.empty()) {
    (void)!write(master, input.data(), input.size());
  }
  TerminalRun r;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
  int w = 0;
  bool ended = false;
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char buf[4096];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) {
        r.terminal.append(buf, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      // EIO: no process holds the terminal any more.
      if (ended) break;
    } else if (ended) {
      break;
    }
    if (!ended && waitpid(pid, &w, WNOHANG) == pid) ended = true;
    if (!ended && std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &w, 0);
      ended = true;
    }
  }
  close(master);
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w);
  r.out = io.read("out");
  return r;
}

}  // namespace testsupport
