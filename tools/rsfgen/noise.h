// The generator's own noise: a seeded stream of 64-bit numbers and the two
// deviates drawn from it, the same on every machine. The stream is
// splitmix64 (a counter stepped by 2^64 / golden ratio, each step mixed by
// two multiply-xorshift rounds); a uniform deviate is the top 53 bits of a
// number times 2^-53; a normal deviate is the sum of 12 uniform ones minus
// 6 (mean 0, variance 1, never beyond 6). Integer steps, then sums and
// products of doubles only: no library function whose last bit could
// differ between machines.
#pragma once

#include <cstdint>

namespace rsfgen {

struct NoiseStream {
  uint64_t state = 0;
};

// The stream of item `index` (a sounding, say) of a series seeded by
// `seed`: every item has a stream of its own, so an item's noise does not
// depend on how many items came before it.
NoiseStream noise_stream(uint64_t seed, uint64_t index);

// The next 64-bit number of the stream.
uint64_t noise_next(NoiseStream& s);

// A uniform deviate in [0, 1), a multiple of 2^-53.
double noise_uniform(NoiseStream& s);

// An approximately standard normal deviate in [-6, 6].
double noise_normal(NoiseStream& s);

}  // namespace rsfgen
