#include "freeform_out.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace textio {
namespace {

// Appends x with `digits` significant digits: fixed point when
// 0.1 <= |x| < 10^digits, otherwise mantissa and an exponent of
// `exp_digits` digits.
//   1.0 -> 1.0000000000000000     1e16 -> 10000000000000000.
//   0.1 -> 0.10000000000000001    1e-5 -> 1.0000000000000001E-005
void lay_out(std::string& out,
             double x,
             int digits,
             int exp_digits,
             bool in_fixed_range) {
  if (std::isnan(x)) {
    out += "NaN";
    return;
  }
  if (std::isinf(x)) {
    out += x > 0 ? "Infinity" : "-Infinity";
    return;
  }
  if (std::signbit(x)) out += '-';
  if (x == 0) {
    out += "0.";
    out.append(size_t(digits - 1), '0');
    return;
  }
  // d.dddde+XX, correctly rounded on the exact binary value.
  char buf[64];
  char* end = std::to_chars(buf,
                            buf + sizeof buf,
                            std::fabs(x),
                            std::chars_format::scientific,
                            digits - 1)
                  .ptr;
  char* e = buf;
  while (*e != 'e') ++e;
  int e10 = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, e10);
  char mant[32];  // the significant digits without the point
  int n = 0;
  for (const char* p = buf; p < e; ++p) {
    if (*p != '.') mant[n++] = *p;
  }
  if (in_fixed_range) {
    if (e10 < 0) {  // only e10 == -1 here: 0.ddddd
      out += "0.";
      out.append(mant, size_t(n));
    } else {
      out.append(mant, size_t(e10 + 1));
      out += '.';
      out.append(mant + e10 + 1, size_t(n - e10 - 1));
    }
    return;
  }
  out += mant[0];
  out += '.';
  out.append(mant + 1, size_t(n - 1));
  out += 'E';
  out += e10 < 0 ? '-' : '+';
  char exp[8];
  int a = std::abs(e10);
  for (int k = exp_digits - 1; k >= 0; --k, a /= 10)
    exp[k] = char('0' + a % 10);
  out.append(exp, size_t(exp_digits));
}

}  // namespace

void put_real64(std::string& out, double x) {
  const double m = std::fabs(x);
  lay_out(out, x, 17, 3, m >= 0.1 && m < 1e17);
}

void put_real32(std::string& out, float x) {
  const float m = std::fabs(x);
  lay_out(out, x, 9, 2, m >= 0.1f && m < 1e9f);
}

std::string ff_real64(double x) {
  std::string s;
  put_real64(s, x);
  return s;
}

std::string ff_real32(float x) {
  std::string s;
  put_real32(s, x);
  return s;
}

}  // namespace textio
