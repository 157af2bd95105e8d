// Series record lines for tests: a program's input files, or the lines a
// test expects a program to write.
#pragma once

#include <string>

#include "series.h"

namespace testsupport {

// The line of record `r`, newline included, exactly as the programs write
// it (one free-form record of the 8 fields), e.g.
// series_line({20, 100, 10, 0, 1.25, 100, 2.5, 15}) gives
// " 20 100 10 0 1.2500000000000000 100.00000000000000 2.5000000000000000
// 15.0000000\n" (on one line).
inline std::string series_line(const textio::SeriesRecord& r) {
  return textio::format_series(r) + "\n";
}

}  // namespace testsupport
