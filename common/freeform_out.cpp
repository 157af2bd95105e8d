#include "freeform_out.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace iono {
namespace {

// Lays out x with `digits` significant digits: fixed point when
// 0.1 <= |x| < 10^digits, otherwise mantissa and an exponent of
// `exp_digits` digits.
//   1.0 -> 1.0000000000000000     1e16 -> 10000000000000000.
//   0.1 -> 0.10000000000000001    1e-5 -> 1.0000000000000001E-005
std::string lay_out(double x, int digits, int exp_digits, bool in_fixed_range) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Infinity" : "-Infinity";
  const bool negative = std::signbit(x);
  std::string out = negative ? "-" : "";
  if (x == 0) {
    out += "0.";
    out.append(digits - 1, '0');
    return out;
  }
  // d.ddddde+XX, correctly rounded on the exact binary value.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(x));
  std::string mant;
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (*p != '.') mant += *p;
  }
  const int e10 = std::atoi(p + 1);
  if (in_fixed_range) {
    if (e10 < 0) {  // only e10 == -1 here: 0.ddddd
      out += "0.";
      out += mant;
    } else {
      out.append(mant, 0, e10 + 1);
      out += '.';
      out.append(mant, e10 + 1, std::string::npos);
    }
    return out;
  }
  out += mant[0];
  out += '.';
  out.append(mant, 1, std::string::npos);
  char exp[16];
  std::snprintf(exp,
                sizeof exp,
                "E%c%0*d",
                e10 < 0 ? '-' : '+',
                exp_digits,
                std::abs(e10));
  out += exp;
  return out;
}

}  // namespace

std::string ff_real64(double x) {
  const double m = std::fabs(x);
  return lay_out(x, 17, 3, m >= 0.1 && m < 1e17);
}

std::string ff_real32(float x) {
  const float m = std::fabs(x);
  return lay_out(x, 9, 2, m >= 0.1f && m < 1e9f);
}

}  // namespace iono
