// Free-form (list-directed) output, the one convention of every free-form
// write of the suite: each line starts with one blank, items are separated
// by one blank, integers are written in full, character items as they are,
// a real64 with 17 significant digits and a real32 with 9, so that every
// value reads back through read_list to the identical bits.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

// 0.1 <= |x| < 1e17: fixed point, 1.0000000000000000, 123.45600000000000;
// otherwise 1.0000000000000001E-005; 0.0000000000000000; NaN, Infinity.
std::string ff_real64(double x);
void put_real64(std::string& out, double x);  // appends
// As ff_real64 with 9 digits and a two-digit exponent: 5.00000000,
// 9.99999975E-06.
std::string ff_real32(float x);
void put_real32(std::string& out, float x);  // appends

// Appends one item as a free-form write spells it.
inline void put_item(std::string& out, double x) { put_real64(out, x); }
inline void put_item(std::string& out, float x) { put_real32(out, x); }
inline void put_item(std::string& out, bool b) { out += b ? 'T' : 'F'; }
inline void put_item(std::string& out, std::string_view s) { out += s; }
inline void put_item(std::string& out, const char* s) { out += s; }
inline void put_item(std::string& out, const std::string& s) { out += s; }
template <std::integral T>
requires(!std::same_as<T, bool>) void put_item(std::string& out, T v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// One item alone, as put_item spells it.
template <class T>
std::string ff_item(const T& v) {
  std::string s;
  put_item(s, v);
  return s;
}

// One free-form line, without its newline: " a b c". A write without items
// gives an empty line.
template <class... A>
std::string free_line(const A&... items) {
  std::string line;
  ((line += ' ', put_item(line, items)), ...);
  return line;
}

}  // namespace textio
