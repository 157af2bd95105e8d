// The process's uniform stream: xoshiro256** (Blackman and Vigna), seeded
// from an array of kSeedSize 32-bit integers. Every random number of the
// fitter comes from `random`.
#pragma once

#include <cstdint>
#include <span>

namespace ptfit {

constexpr int kSeedSize = 8;

// The generator's 256-bit state; never all zero.
struct Rng {
  uint64_t s[4] = {0x9E3779B97F4A7C15ULL,
                   0xBF58476D1CE4E5B9ULL,
                   0x94D049BB133111EBULL,
                   0x2545F4914F6CDD1DULL};
};

// The number of 32-bit integers the generator takes as its seed.
inline int rng_seed_size() { return kSeedSize; }

// Replaces the state by one derived from `seeds` (kSeedSize values; missing
// values count as 0, extra ones are ignored). Every word of the seed
// affects every word of the state, and small or all-zero seeds still give a
// well-mixed, non-zero state.
void rng_seed(Rng& rng, std::span<const uint32_t> seeds);

// The next raw 64-bit output; advances the state.
uint64_t rng_next(Rng& rng);

// One real64 deviate, uniform in [0, 1): the top 53 bits of the next
// output times 2^-53. Advances the state by one step.
double random(Rng& rng);

}  // namespace ptfit
