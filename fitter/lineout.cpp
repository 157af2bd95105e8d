// Whole-line output on standard output and standard error.
#include "lineout.h"

#include <cstdio>
#include <iostream>

namespace ptfit {

void line_buffered_output() {
  // Big enough for any line the program prints; a line reaches the buffer
  // whole (std::cout is synchronised with stdio) and leaves it at its '\n'.
  std::setvbuf(stdout, nullptr, _IOLBF, 1 << 16);
}

void put_line(std::ostream& out, std::string_view line) {
  std::string buf;
  buf.reserve(line.size() + 1);
  buf.append(line);
  buf.push_back('\n');
  out << buf;
}

void put_lines(std::ostream& out, const std::vector<std::string>& lines) {
  std::string buf;
  for (const std::string& l : lines) {
    buf += l;
    buf.push_back('\n');
  }
  out << buf;
}

void complain(std::string_view text) {
  std::string buf(text);
  buf.push_back('\n');
  std::cerr << buf;
}

}  // namespace ptfit
