// The parameters' ranges, from the parameter file of the run (name, lower
// and upper bound a record, read free-form as ptfit reads it).
#pragma once

#include <string>
#include <vector>

namespace ptsummary {

struct Range {
  bool known = false;
  double lo = 0;
  double hi = 0;
  double width() const { return hi - lo; }
};

// Reads one record per name of `names` (the varied parameters, in the
// order of the chain files) from the parameter file `path`. False with a
// one-line `error` when the file cannot be opened or read, ends early, or a
// record names another parameter than the chain files at its place.
bool read_ranges(const std::string& path,
                 const std::vector<std::string>& names,
                 std::vector<Range>& ranges,
                 std::string& error);

}  // namespace ptsummary
