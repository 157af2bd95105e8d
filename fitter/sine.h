// The sine of the cached chi-square: a kernel that the compiler vectorises
// for every x86-64 vector width with the same bits on each, because it uses
// only additions, subtractions, multiplications and bit operations (no
// table, no division, no fused multiply-add under -ffp-contract=off).
// Within 2.2 ulp of the true sine for |x| < kSineLimit (measured; the test
// bounds it by 2.5); larger, infinite or NaN arguments are left to
// std::sin by the callers.
#pragma once

#include <bit>
#include <cstdint>

namespace ptfit {

// Arguments of magnitude at or above this take std::sin: k below stays under
// 2^26, so that every k * kPiPart below is exact.
constexpr double kSineLimit = 0x1p27;

namespace sine_detail {

constexpr double kInvPi = 0x1.45f306dc9c883p-2;  // 1/π rounded
// 1.5 * 2^52: x + kRound - kRound rounds x to an integer, and the last bit
// of x + kRound is that integer's parity.
constexpr double kRound = 0x1.8p52;
// π as five parts of 27 bits (the remainder is below 5e-43).
constexpr double kPi1 = 0x1.921fb54p+1;
constexpr double kPi2 = 0x1.10b461p-29;
constexpr double kPi3 = 0x1.a62633p-57;
constexpr double kPi4 = 0x1.45c06ep-85;
constexpr double kPi5 = 0x1.cd129p-114;
// sin r = r + r^3 (c1 + c2 z + ... + c8 z^7), z = r^2, |r| <= π/2: a
// Chebyshev fit, 0.33 ulp before rounding.
constexpr double kC1 = -0x1.5555555555555p-3;
constexpr double kC2 = 0x1.1111111111107p-7;
constexpr double kC3 = -0x1.a01a01a018aadp-13;
constexpr double kC4 = 0x1.71de3a5456716p-19;
constexpr double kC5 = -0x1.ae6455a1d7087p-26;
constexpr double kC6 = 0x1.6124015b5ee3ap-33;
constexpr double kC7 = -0x1.ae5138c1216b3p-41;
constexpr double kC8 = 0x1.89a4866f527ebp-49;

}  // namespace sine_detail

// sin x = (-1)^k sin r with x = k π + r, k the nearest integer to x/π.
// REQUIRES: |x| < kSineLimit (other arguments give a wrong value).
inline double sine_kernel(double x) {
  using namespace sine_detail;
  const double kd = x * kInvPi + kRound;
  const double k = kd - kRound;
  double r = x - k * kPi1;
  r = r - k * kPi2;
  r = r - k * kPi3;
  r = r - k * kPi4;
  r = r - k * kPi5;
  const double z = r * r;
  const double p =
      kC1 +
      z * (kC2 +
           z * (kC3 + z * (kC4 + z * (kC5 + z * (kC6 + z * (kC7 + z * kC8))))));
  const double s = r + (r * z) * p;
  // The parity of k, shifted into the sign bit.
  const uint64_t sign = std::bit_cast<uint64_t>(kd) << 63;
  return std::bit_cast<double>(std::bit_cast<uint64_t>(s) ^ sign);
}

}  // namespace ptfit
