// Conversions of one free-form value to a number.
#include <charconv>
#include <cstdlib>
#include <string>

#include "freeform_detail.h"

namespace textio {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

}  // namespace

bool parse_int32(std::string_view s, int32_t& out) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!is_digit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (neg) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  out = int32_t(v);
  return true;
}

namespace {

// Checks the syntax of a real and rewrites it for strtod: exponent letters
// d, q become e, and a bare signed exponent (1.5+3) gets its e.
bool normalise_real(std::string_view s, std::string& norm) {
  size_t i = 0;
  norm.clear();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) norm += s[i++];
  std::string rest;
  for (size_t k = i; k < s.size(); ++k) rest += lower(s[k]);
  // inf, infinity, nan, nan(...)
  if (rest == "inf" || rest == "infinity") {
    norm += "inf";
    return true;
  }
  if (rest.rfind("nan", 0) == 0) {
    if (rest.size() == 3) {
      norm += "nan";
      return true;
    }
    if (rest[3] == '(' && rest.back() == ')') {
      norm += "nan";
      return true;
    }
    return false;
  }
  size_t digits = 0;
  while (i < s.size() && is_digit(s[i])) norm += s[i++], ++digits;
  if (i < s.size() && s[i] == '.') {
    norm += s[i++];
    while (i < s.size() && is_digit(s[i])) norm += s[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i == s.size()) return true;
  char ch = lower(s[i]);
  if (ch == 'e' || ch == 'd' || ch == 'q') {
    ++i;
  } else if (ch != '+' && ch != '-') {
    return false;
  }
  norm += 'e';
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) norm += s[i++];
  size_t ed = 0;
  while (i < s.size() && is_digit(s[i])) norm += s[i++], ++ed;
  return ed > 0 && i == s.size();
}

}  // namespace

namespace {

// Converts a normalised real, correctly rounded to T. from_chars is the fast
// path; what it reports out of range (overflow, underflow, and real32
// denormals) goes through strtod/strtof, which round those the same way.
template <class T>
bool convert_real(std::string_view s, T& out) {
  static thread_local std::string norm;
  if (!normalise_real(s, norm)) return false;
  const char* b = norm.data();
  const char* e = b + norm.size();
  T v;
  auto r = std::from_chars(*b == '+' ? b + 1 : b, e, v);
  if (r.ec == std::errc() && r.ptr == e) {
    out = v;
  } else if constexpr (sizeof(T) == 8) {
    out = std::strtod(norm.c_str(), nullptr);
  } else {
    out = std::strtof(norm.c_str(), nullptr);
  }
  return true;
}

}  // namespace

bool parse_real64(std::string_view s, double& out) {
  return convert_real(s, out);
}

bool parse_real32(std::string_view s, float& out) {
  return convert_real(s, out);
}

}  // namespace textio
