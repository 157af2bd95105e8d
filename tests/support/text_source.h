// Text held in memory as a line source of the shared library: answers or a
// file's lines for tests that run a dialogue or a reader in-process.
#pragma once

#include <sstream>
#include <string>

#include "freeform_in.h"

namespace testsupport {

// `src` reads `text` line by line under `name`, the name its diagnostics
// give. Not copyable: `src` points into the object.
struct TextSource {
  std::istringstream text;
  textio::LineSource src;

  TextSource(const std::string& t, const std::string& name) : text(t) {
    src.in = &text;
    src.name = name;
  }
  TextSource(const TextSource&) = delete;
  TextSource& operator=(const TextSource&) = delete;
};

}  // namespace testsupport
