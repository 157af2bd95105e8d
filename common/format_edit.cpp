// The field editors of Fortran formatted output. Digits always come from
// std::to_chars with a precision, which rounds the exact binary value to
// nearest with ties to even; the editors only lay those digits out.
#include "format_edit.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace textio {
namespace {

// Enough for any double or float in fixed notation with kMaxFieldWidth
// decimals.
constexpr size_t kDigitBuffer = 320 + kMaxFieldWidth;

void stars(std::string& out, int w) { out.append(w, '*'); }

// Right-justifies `text` in w columns. REQUIRES: text.size() <= w.
void right(std::string& out, std::string_view text, int w) {
  out.append(w - text.size(), ' ');
  out.append(text);
}

// NaN and the infinities in a field of w (F, E and G alike).
//   NaN: "NaN" from w = 3;  +Inf: "Inf" for w = 3..7, "Infinity" from 8;
//   -Inf: "-Inf" for w = 4..8, "-Infinity" from 9.
template <class T>
void put_special(std::string& out, T x, int w) {
  std::string_view text;
  if (std::isnan(x)) {
    text = "NaN";
  } else if (!std::signbit(x)) {
    text = w >= 8 ? "Infinity" : "Inf";
  } else {
    text = w >= 9 ? "-Infinity" : "-Inf";
  }
  if (static_cast<int>(text.size()) > w) return stars(out, w);
  right(out, text, w);
}

// Fixed point: |x| rounded to d decimals, a '-' when the sign bit is set.
// Appends exactly w characters and returns true, or appends nothing and
// returns false when the text does not fit.
//   1234.5678, F15.3 -> "       1234.568";  -0.25, F4.2 -> "-.25"
//   (the 0 before the point goes only when it must, and never when d = 0:
//   F2.0 of -0.4 does not fit, "-0." is its shortest text)
template <class T>
bool try_fixed(std::string& out, T x, int w, int d) {
  char buf[kDigitBuffer];
  auto r = std::to_chars(
      buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, d);
  std::string_view body(buf, r.ptr - buf);  // "ip.fp", or "ip" when d = 0
  bool neg = std::signbit(x);
  size_t len = neg + body.size() + (d == 0 ? 1 : 0);
  if (len > static_cast<size_t>(w) && d > 0 && body[0] == '0') {
    body.remove_prefix(1);
    --len;
  }
  if (len > static_cast<size_t>(w)) return false;
  out.append(w - len, ' ');
  if (neg) out += '-';
  out.append(body);
  if (d == 0) out += '.';
  return true;
}

template <class T>
void put_f(std::string& out, T x, int w, int d) {
  if (!std::isfinite(x)) return put_special(out, x, w);
  if (!try_fixed(out, x, w, d)) stars(out, w);
}

// Exponent form 0.DDD with d digits and exponent e (x ~ 0.D * 10^e):
//   |e| <= 99 "E+05"; |e| <= 999 "+301" (no E); larger does not fit.
//   0.0625, E12.3 -> "   0.625E-01";  1e300 -> "   0.100+301"
// The leading 0 goes when the text is one too long for w.
template <class T>
void put_e(std::string& out, T x, int w, int d) {
  if (!std::isfinite(x)) return put_special(out, x, w);
  char buf[64 + kMaxFieldWidth];
  T m = std::fabs(x);
  auto r = std::to_chars(
      buf, buf + sizeof buf, m, std::chars_format::scientific, d - 1);
  // buf holds "D.DDDe+XX" (or "De+XX" when d = 1); rounding carries are
  // already folded into the exponent.
  const char* epos =
      static_cast<const char*>(std::memchr(buf, 'e', r.ptr - buf));
  int e10 = 0;
  std::from_chars(epos + (epos[1] == '+' ? 2 : 1), r.ptr, e10);
  int e = m == 0 ? 0 : e10 + 1;
  int ae = e < 0 ? -e : e;
  if (ae > 999) return stars(out, w);

  char text[96 + kMaxFieldWidth];
  size_t n = 0;
  if (std::signbit(x)) text[n++] = '-';
  text[n++] = '0';
  text[n++] = '.';
  text[n++] = buf[0];
  if (d > 1) {
    std::memcpy(text + n, buf + 2, d - 1);
    n += d - 1;
  }
  if (ae <= 99) text[n++] = 'E';
  text[n++] = e < 0 ? '-' : '+';
  if (ae > 99) text[n++] = static_cast<char>('0' + ae / 100);
  text[n++] = static_cast<char>('0' + ae / 10 % 10);
  text[n++] = static_cast<char>('0' + ae % 10);

  if (n > static_cast<size_t>(w)) {  // drop the 0 before the point
    size_t zero = std::signbit(x) ? 1 : 0;
    std::memmove(text + zero, text + zero + 1, n - zero - 1);
    --n;
    if (n > static_cast<size_t>(w)) return stars(out, w);
  }
  right(out, std::string_view(text, n), w);
}

// General editing. Whether a value gets the fixed or the exponent form,
// and how many decimals the fixed form keeps, is decided by thresholds
// computed step by step in the value's own precision T (so the float
// nearest 0.9995 already counts as >= 0.9995 in G12.3 and prints 1.00):
//   exp_d = 10^d, r_sc = 1 - 0.5/exp_d, lower = 0.1 * r_sc (in double);
//   exponent form when m < lower or 0.5 >= exp_d - m; otherwise fixed
//   with d - c decimals, c = #{k in 1..d : m >= 10^(k-1) * r_sc}.
// The fixed form has w - 4 columns and 4 trailing blanks (w - 1 blanks
// when w <= 4, which leaves no room for any number).
//   123.0, G12.3 -> "    123.    ";  0.0, G12.3 -> "    0.00    "
template <class T>
void put_g(std::string& out, T x, int w, int d) {
  if (!std::isfinite(x)) return put_special(out, x, w);
  int blanks = w > 4 ? 4 : w - 1;
  T m = std::fabs(x);
  int decimals = d - 1;  // zero: as F(w-4).(d-1)
  if (m != 0) {
    T exp_d = 1;
    for (int k = 0; k < d; ++k) exp_d = exp_d * T(10);
    const T r_sc = T(1) - T(0.5) / exp_d;
    const T lower = static_cast<T>(0.1 * static_cast<double>(r_sc));
    const T gap = exp_d - m;
    if (m < lower || T(0.5) >= gap) return put_e(out, x, w, d);
    int c = 0;
    T p = 1;  // 10^(k-1)
    for (int k = 1; k <= d; ++k) {
      const T threshold = p * r_sc;
      if (m >= threshold) ++c;
      p = p * T(10);
    }
    decimals = d - c;
  }
  if (!try_fixed(out, x, w - blanks, decimals)) return stars(out, w);
  out.append(blanks, ' ');
}

// Iw.m: the decimal, at least m digits (none at all for 0 with m = 0).
//   -999, I4 -> "-999";  7, I5.3 -> "  007"
void put_i(std::string& out, int32_t v, int w, int m) {
  char digits[16];
  int64_t a = v < 0 ? -static_cast<int64_t>(v) : v;
  auto r = std::to_chars(digits, digits + sizeof digits, a);
  std::string_view ds(digits, r.ptr - digits);
  if (m == 0 && v == 0) ds = {};
  size_t nd = std::max<size_t>(ds.size(), m < 0 ? 0 : m);
  size_t len = (v < 0) + nd;
  if (len > static_cast<size_t>(w)) return stars(out, w);
  out.append(w - len, ' ');
  if (v < 0) out += '-';
  out.append(nd - ds.size(), '0');
  out.append(ds);
}

// Zw.m: the item's bits (two's complement for integers, the IEEE pattern
// for reals) in upper-case hexadecimal without leading zeros.
//   255, Z8 -> "      FF";  1.0 (real64), Z20 -> "    3FF0000000000000"
void put_z(std::string& out, uint64_t bits, int w, int m) {
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, bits, 16);
  std::string_view ds(digits, r.ptr - digits);
  if (m == 0 && bits == 0) ds = {};
  size_t nd = std::max<size_t>(ds.size(), m < 0 ? 0 : m);
  if (nd > static_cast<size_t>(w)) return stars(out, w);
  out.append(w - nd, ' ');
  out.append(nd - ds.size(), '0');
  for (char ch : ds) {
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  }
}

// A: the whole string. Aw: its first w bytes, or the string after
// w - len leading blanks.
void put_a(std::string& out, std::string_view s, int w) {
  if (w == 0) {
    out.append(s);
  } else if (s.size() >= static_cast<size_t>(w)) {
    out.append(s.substr(0, w));
  } else {
    right(out, s, w);
  }
}

[[noreturn]] void mismatch(const EditStep& s, const char* item) {
  static constexpr const char* kNames[] = {"A", "I", "F", "E", "G", "Z"};
  throw std::invalid_argument(std::string(kNames[static_cast<int>(s.kind)]) +
                              " edit descriptor cannot edit " + item + " item");
}

// Edits one real item (float or double, in its own precision) by one data
// step; Z shows its bits.
template <class T>
void put_real(std::string& out, const EditStep& s, T v) {
  using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
  switch (s.kind) {
    case EditKind::kF:
      return put_f(out, v, s.w, s.d);
    case EditKind::kE:
      return put_e(out, v, s.w, s.d);
    case EditKind::kG:
      return put_g(out, v, s.w, s.d);
    case EditKind::kZ:
      return put_z(out, std::bit_cast<Bits>(v), s.w, s.d);
    default:
      mismatch(s, sizeof(T) == 8 ? "a real64" : "a real32");
  }
}

}  // namespace

void edit_item(std::string& out, const EditStep& s, const FmtArg& arg) {
  if (const auto* v = std::get_if<double>(&arg)) return put_real(out, s, *v);
  if (const auto* v = std::get_if<float>(&arg)) return put_real(out, s, *v);
  if (const auto* v = std::get_if<int32_t>(&arg)) {
    switch (s.kind) {
      case EditKind::kI:
        return put_i(out, *v, s.w, s.d);
      case EditKind::kG:
        return put_i(out, *v, s.w, -1);
      case EditKind::kZ:
        return put_z(out, static_cast<uint32_t>(*v), s.w, s.d);
      default:
        mismatch(s, "an integer");
    }
  }
  const auto& v = std::get<std::string_view>(arg);
  switch (s.kind) {
    case EditKind::kA:
      return put_a(out, v, s.w);
    case EditKind::kG:
      return put_a(out, v, s.w);
    default:
      mismatch(s, "a character");
  }
}

}  // namespace textio
