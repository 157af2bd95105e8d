// Free-form (list-directed) output, the one convention of every free-form
// write of the suite: each line starts with one blank, items are separated
// by one blank, integers are written in full, character items as they are,
// a real64 with 17 significant digits and a real32 with 9, so that every
// value reads back through read_list to the identical bits.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace iono {

// 0.1 <= |x| < 1e17: fixed point, 1.0000000000000000, 123.45600000000000;
// otherwise 1.0000000000000001E-005; 0.0000000000000000; NaN, Infinity.
std::string ff_real64(double x);
// As ff_real64 with 9 digits and a two-digit exponent: 5.00000000,
// 9.99999975E-06.
std::string ff_real32(float x);

inline std::string ff_item(double x) { return ff_real64(x); }
inline std::string ff_item(float x) { return ff_real32(x); }
inline std::string ff_item(bool b) { return b ? "T" : "F"; }
inline std::string ff_item(std::string_view s) { return std::string(s); }
inline std::string ff_item(const char* s) { return std::string(s); }
inline std::string ff_item(const std::string& s) { return s; }
template <std::integral T>
requires(!std::same_as<T, bool>) std::string ff_item(T v) {
  return std::to_string(v);
}

// One free-form line, without its newline: " a b c". A write without items
// gives an empty line.
template <class... A>
std::string free_line(const A&... items) {
  std::string line;
  ((line += ' ', line += ff_item(items)), ...);
  return line;
}

}  // namespace iono
