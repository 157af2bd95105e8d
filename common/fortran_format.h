// Formatted output through Fortran edit descriptors: Aw, A, Iw, Fw.d, Gw.d,
// nX, /, repeat counts and parenthesised groups, in any letter case, with
// Fortran's rounding (ties to even on the exact binary value), its switch of
// G between fixed and exponent form, asterisks for a value that does not
// fit, and its spellings of NaN and Infinity.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace iono {

// One output item. A float is a real32 item and is edited in its own
// precision; a double is a real64 item.
using FmtArg = std::variant<int32_t, double, float, std::string_view>;

// Edits `args` by `format` (with its parentheses, e.g. "(A20,4G12.3)").
// Records are separated by '\n'; there is no final newline. Output stops at
// the first data descriptor without an item; items left over when the
// format is exhausted start a new record from the format's last group.
std::string fortran_format(std::string_view format,
                           std::span<const FmtArg> args);
inline std::string fortran_format(std::string_view format,
                                  std::initializer_list<FmtArg> args) {
  return fortran_format(format,
                        std::span<const FmtArg>(args.begin(), args.size()));
}

}  // namespace iono
