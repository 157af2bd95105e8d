// What a fuzz target does when a decoder breaks a promise of its contract:
// say which one and abort, which the fuzzer reports as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void broken(const char* what) {
  std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
  std::abort();
}

inline void check(bool ok, const char* what) {
  if (!ok) broken(what);
}

}  // namespace fuzz
