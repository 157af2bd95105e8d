#include "freeform_fast.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "freeform_out.h"

namespace textio {
namespace {

__extension__ typedef unsigned __int128 U128;

constexpr int kMaxScale = 22;  // 10^22 * 2^53 < 2^128
constexpr uint64_t kE16 = 10000000000000000ull;
constexpr uint64_t kE17 = 100000000000000000ull;

constexpr std::array<U128, kMaxScale + 1> make_powers() {
  std::array<U128, kMaxScale + 1> p{};
  p[0] = 1;
  for (int k = 1; k <= kMaxScale; ++k) p[k] = p[k - 1] * 10;
  return p;
}
constexpr std::array<U128, kMaxScale + 1> kPow10 = make_powers();

// "00" "01" ... "99": two digits at a time.
constexpr std::array<char, 200> make_pairs() {
  std::array<char, 200> p{};
  for (int i = 0; i < 100; ++i) {
    p[2 * i] = char('0' + i / 10);
    p[2 * i + 1] = char('0' + i % 10);
  }
  return p;
}
constexpr std::array<char, 200> kPairs = make_pairs();

// floor(log10(2^e)) for |e| < 2600.
int floor_log10_pow2(int e) { return (e * 315653) >> 20; }

// q = m * 10^k * 2^e2 rounded to an integer, half to even. False when q or
// the exact product does not fit.
bool scaled_round(uint64_t m, int e2, int k, uint64_t& q) {
  const U128 n = U128(m) * kPow10[k];
  if (e2 >= 0) {
    if (e2 > 8) return false;
    const U128 v = n << e2;
    if ((v >> 64) != 0) return false;
    q = uint64_t(v);
    return true;
  }
  const int s = -e2;
  if (s >= 127) return false;
  U128 v = n >> s;
  const U128 rest = n - (v << s);
  const U128 half = U128(1) << (s - 1);
  if (rest > half || (rest == half && (v & 1) != 0)) ++v;
  if ((v >> 64) != 0) return false;
  q = uint64_t(v);
  return true;
}

// The 17 significant digits of x > 0 as the integer `digits` (10^16 <=
// digits < 10^17) with the decimal exponent e10 of the first one:
// x ~ digits * 10^(e10 - 16). False when the exact arithmetic cannot hold x.
bool decimal17(double x, uint64_t& digits, int& e10) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const int biased = int(bits >> 52);
  if (biased == 0 || biased >= 0x7ff) return false;
  const uint64_t m = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
  const int e2 = biased - 1075;  // x = m * 2^e2, 2^52 <= m < 2^53
  // 10^d0 <= 2^(e2 + 52) <= x < 10^(d0 + 2)
  const int d0 = floor_log10_pow2(e2 + 52);
  int k = 16 - d0;
  if (k < 0 || k > kMaxScale) return false;
  uint64_t q = 0;
  if (!scaled_round(m, e2, k, q)) return false;
  if (q > kE17) {  // x has d0 + 2 digits before the point
    if (k == 0) return false;
    --k;
    if (!scaled_round(m, e2, k, q)) return false;
  }
  e10 = 16 - k;
  if (q == kE17) {  // 9.99...95 rounded up to the next power of ten
    q = kE16;
    ++e10;
  }
  digits = q;
  return true;
}

// Writes the 8 digits of v < 10^8 at p: two halves of 4, two pairs each.
void eight_digits(char* p, uint32_t v) {
  const uint32_t hi = v / 10000;
  const uint32_t lo = v % 10000;
  std::memcpy(p, kPairs.data() + 2 * (hi / 100), 2);
  std::memcpy(p + 2, kPairs.data() + 2 * (hi % 100), 2);
  std::memcpy(p + 4, kPairs.data() + 2 * (lo / 100), 2);
  std::memcpy(p + 6, kPairs.data() + 2 * (lo % 100), 2);
}

// Writes the 17 digits of 10^16 <= d < 10^17 at p.
void seventeen_digits(char* p, uint64_t d) {
  const uint32_t low = uint32_t(d % 100000000);
  const uint64_t rest = d / 100000000;
  p[0] = char('0' + rest / 100000000);
  eight_digits(p + 1, uint32_t(rest % 100000000));
  eight_digits(p + 9, low);
}

char* slow_path(char* out, double x) {
  std::string s;
  put_real64(s, x);
  std::memcpy(out, s.data(), s.size());
  return out + s.size();
}

}  // namespace

// The layout is put_real64's:
//   fixed point when 0.1 <= |x| < 1e17:  123.45600000000000,
//   0.10000000000000001
//   otherwise:                            1.0000000000000001E-005
char* spell_real64(char* out, double x) {
  const double a = std::fabs(x);
  uint64_t digits = 0;
  int e10 = 0;
  if (!decimal17(a, digits, e10)) return slow_path(out, x);
  // The text is made in `buf` by copies of fixed sizes (which compile to a
  // few moves), then copied out whole.
  char d[33] = {};
  seventeen_digits(d, digits);
  char buf[64];
  char* p = buf;
  if (std::signbit(x)) *p++ = '-';
  if (a >= 0.1 && a < 1e17) {
    if (e10 < 0) {  // only e10 == -1 here: 0.ddddd
      *p++ = '0';
      *p++ = '.';
      std::memcpy(p, d, 17);
      p += 17;
    } else {  // ddd.ddddd: all digits, then the point and the rest over them
      std::memcpy(p, d, 17);
      p[e10 + 1] = '.';
      std::memcpy(p + e10 + 2, d + e10 + 1, 16);
      p += 18;
    }
  } else {
    *p++ = d[0];
    *p++ = '.';
    std::memcpy(p, d + 1, 16);
    p += 16;
    *p++ = 'E';
    *p++ = e10 < 0 ? '-' : '+';
    const int e = e10 < 0 ? -e10 : e10;
    *p++ = char('0' + e / 100);
    *p++ = char('0' + e / 10 % 10);
    *p++ = char('0' + e % 10);
  }
  std::memcpy(out, buf, kReal64Chars);
  return out + (p - buf);
}

}  // namespace textio
