// xoshiro256** and its seeding through a splitmix64 expansion.
#include "rng.h"

namespace ptfit {

namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

// The splitmix64 finaliser: a bijection of 64-bit words with full avalanche.
uint64_t mix64(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

void rng_seed(Rng& rng, std::span<const uint32_t> seeds) {
  // Absorb the words one by one into a 64-bit digest (each step a bijection
  // of the digest for a given word), then squeeze the four state words out
  // of it as a splitmix64 sequence.
  uint64_t acc = 0x6A09E667F3BCC909ULL;
  for (int i = 0; i < kSeedSize; ++i) {
    const uint64_t w = i < static_cast<int>(seeds.size()) ? seeds[i] : 0u;
    acc = mix64(acc + kGolden * static_cast<uint64_t>(i + 1) + w);
  }
  uint64_t x = acc;
  for (uint64_t& s : rng.s) {
    x += kGolden;
    s = mix64(x);
  }
  if ((rng.s[0] | rng.s[1] | rng.s[2] | rng.s[3]) == 0) rng.s[0] = kGolden;
}

uint64_t rng_next(Rng& rng) {
  uint64_t* s = rng.s;
  const uint64_t result = rotl(s[1] * 5, 7) * 9;
  const uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = rotl(s[3], 45);
  return result;
}

double random(Rng& rng) {
  return static_cast<double>(rng_next(rng) >> 11) * 0x1.0p-53;
}

}  // namespace ptfit
