// The generator's noise stream (splitmix64) and its deviates.
#include "noise.h"

namespace rsfgen {

namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;  // 2^64 / golden ratio

uint64_t mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

NoiseStream noise_stream(uint64_t seed, uint64_t index) {
  // Two mixes keep neighbouring seeds and indices far apart.
  return NoiseStream{mix(mix(seed) + index * kGolden)};
}

uint64_t noise_next(NoiseStream& s) {
  s.state += kGolden;
  return mix(s.state);
}

double noise_uniform(NoiseStream& s) {
  return static_cast<double>(noise_next(s) >> 11) * 0x1.0p-53;
}

double noise_normal(NoiseStream& s) {
  double sum = 0;
  for (int k = 0; k < 12; ++k) sum += noise_uniform(s);
  return sum - 6.0;
}

}  // namespace rsfgen
