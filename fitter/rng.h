// The process's uniform stream: xoshiro256**, seeded from an array of
// kSeedSize 32-bit integers.
#pragma once

#include <cstdint>
#include <span>

namespace ptfit {

constexpr int kSeedSize = 8;

struct Rng {
  uint64_t s[4] = {0x9E3779B97F4A7C15ULL,
                   0xBF58476D1CE4E5B9ULL,
                   0x94D049BB133111EBULL,
                   0x2545F4914F6CDD1DULL};
};

// Replaces the state by one derived from `seeds` (kSeedSize values).
void rng_seed(Rng& rng, std::span<const uint32_t> seeds);
// One real64 deviate, uniform in [0, 1).
double random(Rng& rng);

}  // namespace ptfit
