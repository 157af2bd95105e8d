#include "ranges.h"

#include "freeform_in.h"

namespace ptsummary {

bool read_ranges(const std::string& path,
                 const std::vector<std::string>& names,
                 std::vector<Range>& ranges,
                 std::string& error) {
  textio::LineSource src;
  if (!textio::open_source(src, path)) {
    error = path + ": cannot be opened";
    return false;
  }
  ranges.clear();
  for (const std::string& want : names) {
    std::string name(20, ' ');
    Range r;
    const textio::ReadResult read = textio::read_list(
        src, {textio::item(name, 20), textio::item(r.lo), textio::item(r.hi)});
    if (read.status == textio::ReadStatus::kEof) {
      error = path + ": ends before the record of " + want;
      return false;
    }
    if (read.status != textio::ReadStatus::kOk) {
      error = textio::input_error_line(read);
      return false;
    }
    // The chain files name a parameter as ptfit keeps it: cut to 20
    // characters, without trailing blanks, tabs made blanks.
    std::string kept(textio::trimmed(name));
    for (char& ch : kept) ch = ch == '\t' ? ' ' : ch;
    if (kept != want) {
      error = path + ", line " + std::to_string(src.lineno) + ": names " +
              kept + " where the chain files have " + want +
              ": the parameter file of another run?";
      return false;
    }
    r.known = true;
    ranges.push_back(r);
  }
  return true;
}

}  // namespace ptsummary
