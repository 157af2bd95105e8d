// Output of whole lines. Standard output is made line-buffered with a large
// buffer, so that each line goes out in one write and the lines of the
// processes of one job never mix inside a line.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ptfit {

// Makes standard output line-buffered (call before the first output).
void line_buffered_output();

// Writes `line` and a newline to `out`.
void put_line(std::ostream& out, std::string_view line);
// Writes every line of `lines`, each followed by a newline, as one piece.
void put_lines(std::ostream& out, const std::vector<std::string>& lines);
// Writes `text` and a newline to standard error in one piece.
void complain(std::string_view text);

}  // namespace ptfit
