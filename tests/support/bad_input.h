// The checks of a program run on bad input: it fails with a clear message
// and a non-zero status, is neither killed by a signal nor stopped by the
// time limit, and leaves its folder exactly as it was (no file changed, no
// temporary file left).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dir_snapshot.h"
#include "run_program.h"

namespace testsupport {

// 1 KiB of every byte value in turn: no text, NULs included.
inline std::string garbage() {
  std::string g;
  for (int i = 0; i < 1024; ++i) g += static_cast<char>(i % 256);
  return g;
}

// At most the first 2000 characters of `text`, for a failure message.
inline std::string head_of(const std::string& text) {
  return text.size() <= 2000 ? text : text.substr(0, 2000) + "...";
}

// `r` ran in `dir`, whose content was `before`; it must end with `status`
// and say `message` on standard output or standard error.
inline void expect_clean_failure(const RunResult& r,
                                 int status,
                                 const std::string& message,
                                 const DirSnapshot& before,
                                 const std::string& dir) {
  EXPECT_NE(r.status, 124) << "stopped by the time limit";
  EXPECT_LT(r.status, 128) << "killed by signal " << r.status - 128;
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.status, status) << head_of(r.out) << head_of(r.err);
  EXPECT_NE((r.out + r.err).find(message), std::string::npos)
      << "no \"" << message << "\" in\n"
      << head_of(r.out) << head_of(r.err);
  EXPECT_EQ(differences(before, snapshot(dir)), "");
}

}  // namespace testsupport
