// A text cut into its lines, for the tests that compare outputs line by line.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// The lines of `text` without their line ends; a last line without one
// counts too.
inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace testsupport
