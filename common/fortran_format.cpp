// Fortran formatted output: the format parser, the record walk (items,
// reversion, early stop) and the field editors. Digits always come from
// std::to_chars with a precision, which rounds the exact binary value to
// nearest with ties to even; the editors only lay those digits out.
#include "fortran_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace textio {
namespace {

// Limits that keep a malformed or absurd format from exhausting memory.
constexpr int kMaxWidth = 1000;
constexpr size_t kMaxSteps = 100000;

// Enough for any double or float in fixed notation with kMaxWidth decimals.
constexpr size_t kDigitBuffer = 320 + kMaxWidth;

// ---------------------------------------------------------------- parsing

class Parser {
 public:
  explicit Parser(std::string_view format) : format_(format) { compact(); }

  FortranFormat parse() {
    FortranFormat f;
    if (at() != '(') fail("it does not start with '('");
    ++i_;
    parse_list(f, f.steps, /*top=*/true);
    if (i_ != c_.size()) fail("text follows the closing ')'");
    for (size_t k = f.reversion; k < f.steps.size(); ++k) {
      if (is_data(f.steps[k].kind)) f.reversion_has_data = true;
    }
    return f;
  }

 private:
  static bool is_data(EditKind k) {
    return k != EditKind::kX && k != EditKind::kSlash &&
           k != EditKind::kLiteral;
  }

  [[noreturn]] void fail(const std::string& why) const {
    throw std::invalid_argument("bad format \"" + std::string(format_) +
                                "\": " + why);
  }

  // Blanks are insignificant outside literals; letters are case-blind.
  // Literals are copied with their quotes, a doubled quote kept doubled.
  void compact() {
    for (size_t k = 0; k < format_.size(); ++k) {
      char ch = format_[k];
      if (ch == '\'' || ch == '"') {
        c_ += ch;
        for (++k;; ++k) {
          if (k == format_.size()) fail("unterminated literal");
          c_ += format_[k];
          if (format_[k] == ch) {
            if (k + 1 < format_.size() && format_[k + 1] == ch) {
              c_ += format_[++k];
              continue;
            }
            break;
          }
        }
      } else if (ch != ' ' && ch != '\t') {
        c_ += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      }
    }
  }

  char at() const { return i_ < c_.size() ? c_[i_] : '\0'; }

  // Reads an unsigned number if one starts here; -1 when none does.
  int number() {
    if (!std::isdigit(static_cast<unsigned char>(at()))) return -1;
    long v = 0;
    while (std::isdigit(static_cast<unsigned char>(at()))) {
      v = v * 10 + (c_[i_++] - '0');
      if (v > static_cast<long>(kMaxSteps)) fail("number too large");
    }
    return static_cast<int>(v);
  }

  int width(char letter) {
    int w = number();
    if (w < 1) fail(std::string("a width >= 1 must follow ") + letter);
    if (w > kMaxWidth) fail("field width too large");
    return w;
  }

  int dot_number(char letter, bool required) {
    if (at() != '.') {
      if (required) fail(std::string(1, letter) + " needs .d");
      return -1;
    }
    ++i_;
    int d = number();
    if (d < 0) fail(std::string("digits must follow ") + letter + "w.");
    if (d > kMaxWidth) fail("digit count too large");
    return d;
  }

  void add(std::vector<EditStep>& steps, const EditStep& s, int repeat) {
    if (steps.size() + repeat > kMaxSteps) fail("too many repeats");
    for (int r = 0; r < repeat; ++r) steps.push_back(s);
  }

  // Parses items up to and including the ')' that closes this list.
  void parse_list(FortranFormat& f, std::vector<EditStep>& steps, bool top) {
    for (;;) {
      char ch = at();
      if (ch == ')') {
        ++i_;
        return;
      }
      if (ch == ',') {  // separators are optional; empty items are not
        ++i_;
        if (at() == ',' || at() == ')') fail("empty item");
        continue;
      }
      if (ch == '\0') fail("missing ')'");
      parse_item(f, steps, top);
    }
  }

  void parse_item(FortranFormat& f, std::vector<EditStep>& steps, bool top) {
    int repeat = number();
    if (repeat == 0) fail("repeat count 0");
    bool counted = repeat > 0;
    if (!counted) repeat = 1;
    char ch = at();
    if (ch == '(') {
      ++i_;
      std::vector<EditStep> group;
      parse_list(f, group, false);
      if (top) f.reversion = steps.size();
      for (int r = 0; r < repeat; ++r) {
        if (steps.size() + group.size() > kMaxSteps) fail("too many repeats");
        steps.insert(steps.end(), group.begin(), group.end());
      }
      return;
    }
    if (ch == '\'' || ch == '"') {
      if (counted) fail("a literal takes no repeat count");
      EditStep s{EditKind::kLiteral, 0, -1, {}};
      for (++i_;; ++i_) {  // compact() guarantees the closing quote
        if (c_[i_] == ch) {
          if (i_ + 1 < c_.size() && c_[i_ + 1] == ch) {
            s.text += c_[++i_];
            continue;
          }
          ++i_;
          break;
        }
        s.text += c_[i_];
      }
      steps.push_back(std::move(s));
      return;
    }
    ++i_;
    switch (ch) {
      case '/':
        add(steps, EditStep{EditKind::kSlash, 0, -1, {}}, repeat);
        return;
      case 'X':  // the count is the number of blanks; a bare X is 1X
        add(steps, EditStep{EditKind::kX, repeat, -1, {}}, 1);
        return;
      case 'A': {
        int w = number();
        if (w == 0) fail("A0");
        if (w > kMaxWidth) fail("field width too large");
        add(steps, EditStep{EditKind::kA, w < 0 ? 0 : w, -1, {}}, repeat);
        return;
      }
      case 'I':
      case 'Z': {
        int w = width(ch);
        int m = dot_number(ch, false);
        EditKind k = ch == 'I' ? EditKind::kI : EditKind::kZ;
        add(steps, EditStep{k, w, m, {}}, repeat);
        return;
      }
      case 'F':
      case 'E':
      case 'G': {
        int w = width(ch);
        int d = dot_number(ch, true);
        if (ch != 'F' && d < 1) fail(std::string(1, ch) + "w.0");
        EditKind k = ch == 'F'   ? EditKind::kF
                     : ch == 'E' ? EditKind::kE
                                 : EditKind::kG;
        add(steps, EditStep{k, w, d, {}}, repeat);
        return;
      }
      default:
        fail(std::string("unsupported edit descriptor '") + ch + "'");
    }
  }

  std::string_view format_;
  std::string c_;  // the compacted format
  size_t i_ = 0;
};

// --------------------------------------------------------- field editors

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
  char buf[64 + kMaxWidth];
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

  char text[96 + kMaxWidth];
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

// Edits one item by one data step.
void put_item(std::string& out, const EditStep& s, const FmtArg& arg) {
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

void walk(std::string& out,
          const FortranFormat& f,
          std::span<const FmtArg> args) {
  size_t ai = 0, pos = 0;
  int pending = 0;  // blanks from nX, written only if the record goes on
  for (;;) {
    if (pos == f.steps.size()) {
      if (ai == args.size()) return;
      if (!f.reversion_has_data) {
        throw std::invalid_argument(
            "format has no edit descriptor for the remaining items");
      }
      out += '\n';
      pending = 0;
      pos = f.reversion;
      continue;
    }
    const EditStep& s = f.steps[pos++];
    switch (s.kind) {
      case EditKind::kX:
        pending += s.w;
        continue;
      case EditKind::kSlash:
        out += '\n';
        pending = 0;
        continue;
      case EditKind::kLiteral:
        out.append(pending, ' ');
        pending = 0;
        out += s.text;
        continue;
      default:
        break;
    }
    if (ai == args.size()) return;
    out.append(pending, ' ');
    pending = 0;
    put_item(out, s, args[ai++]);
  }
}

}  // namespace

FortranFormat parse_format(std::string_view format) {
  return Parser(format).parse();
}

void format_into(std::string& out,
                 const FortranFormat& format,
                 std::span<const FmtArg> args) {
  const size_t start = out.size();
  try {
    walk(out, format, args);
  } catch (...) {
    out.resize(start);  // no half-edited record
    throw;
  }
}

std::string format_with(const FortranFormat& format,
                        std::span<const FmtArg> args) {
  std::string out;
  format_into(out, format, args);
  return out;
}

std::string fortran_format(std::string_view format,
                           std::span<const FmtArg> args) {
  // A program uses a handful of constant formats; keep the last few parsed
  // ones per thread and replace them round-robin.
  struct Cache {
    std::array<std::pair<std::string, FortranFormat>, 16> slots;
    size_t used = 0, next = 0;
  };
  thread_local Cache cache;
  for (size_t k = 0; k < cache.used; ++k) {
    if (cache.slots[k].first == format) {
      return format_with(cache.slots[k].second, args);
    }
  }
  auto& slot = cache.slots[cache.next];
  slot.second = parse_format(format);
  slot.first = std::string(format);
  cache.next = (cache.next + 1) % cache.slots.size();
  if (cache.used < cache.slots.size()) ++cache.used;
  return format_with(slot.second, args);
}

}  // namespace textio
