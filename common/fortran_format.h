// Formatted output through Fortran edit descriptors: Aw, A, Iw, Fw.d, Gw.d,
// Ew.d, Zw, nX, /, quoted literals, repeat counts and parenthesised groups,
// in any letter case, with Fortran's rounding (ties to even on the exact
// binary value), its switch of G between fixed and exponent form, asterisks
// for a value that does not fit, and its spellings of NaN and Infinity.
//
// A format is parsed once into a FortranFormat (a flat list of edit steps)
// and can then be applied any number of times with format_with(); the
// convenience fortran_format() keeps the formats it has parsed in a small
// per-thread cache, so repeated calls with the same string do not re-parse.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace textio {

// One output item. A float is a real32 item and is edited in its own
// precision; a double is a real64 item.
using FmtArg = std::variant<int32_t, double, float, std::string_view>;

// What one edit step does.
enum class EditKind {
  kA,        // A or Aw: character item
  kI,        // Iw or Iw.m: integer item
  kF,        // Fw.d: real item, fixed point
  kE,        // Ew.d: real item, exponent form
  kG,        // Gw.d: real item (F or E form), integer item (as Iw),
             //       character item (as Aw)
  kZ,        // Zw or Zw.m: any numeric item, its bits in hexadecimal
  kX,        // nX: n blanks before whatever is written next in the record
  kSlash,    // /: ends the current record
  kLiteral,  // 'text' or "text": written as it is
};

// One edit step. Repeat counts are already expanded: "4G12.3" is four steps.
struct EditStep {
  EditKind kind = EditKind::kA;
  int w = 0;         // field width; 0 for a plain A; the n of nX
  int d = -1;        // digits after the point (F, E, G); the m of Iw.m
                     // and Zw.m; -1 when not given
  std::string text;  // the text of a literal
};

// A parsed format. When items remain at the end of `steps`, a new record
// starts and editing resumes at `reversion` (the start of the last
// top-level parenthesised group, with its repeat count, or 0).
struct FortranFormat {
  std::vector<EditStep> steps;
  size_t reversion = 0;
  bool reversion_has_data = false;  // a data step at or after `reversion`
};

// Parses a format such as "(A20,4G12.3)" or "(a,i8)".
// Throws std::invalid_argument naming the format for a malformed one
// (a programming error: this program's formats are constants).
FortranFormat parse_format(std::string_view format);

// Edits `args` by `format` and appends the text to `out`. Records are
// separated by '\n'; there is no final newline. Output stops at the first
// data step without an item (nothing after it is written); items left over
// at the end of the format start a new record from `format.reversion`. No
// items at all give one empty record (plus whatever non-data steps precede
// the first data step).
// Throws std::invalid_argument when a step cannot edit its item (e.g. F
// with a character item) or when items remain but the format cannot
// consume them.
void format_into(std::string& out,
                 const FortranFormat& format,
                 std::span<const FmtArg> args);

// format_into() on an empty string.
std::string format_with(const FortranFormat& format,
                        std::span<const FmtArg> args);

// Edits `args` by `format` (with its parentheses, e.g. "(A20,4G12.3)"),
// parsing it once per thread and reusing the parse on later calls. Same
// output and exceptions as parse_format() followed by format_with().
std::string fortran_format(std::string_view format,
                           std::span<const FmtArg> args);
inline std::string fortran_format(std::string_view format,
                                  std::initializer_list<FmtArg> args) {
  return fortran_format(format,
                        std::span<const FmtArg>(args.begin(), args.size()));
}

}  // namespace textio
