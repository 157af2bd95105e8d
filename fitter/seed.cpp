// Seeding of the uniform stream from the tick clock or a given number, and
// the process number.
#include "seed.h"

#include <time.h>

#include <vector>

namespace ptfit {

TickReading read_tick_clock() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u +
                      static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  TickReading r;
  r.count = static_cast<int32_t>(ms & 0x7FFFFFFFu);
  r.rate = 1000;
  r.max = 0x7FFFFFFF;
  return r;
}

void seed(Rng& rng, int32_t id, const TickClock& clock) {
  const int32_t n = rng_seed_size();
  std::vector<uint32_t> seeds(n, 0u);
  const int32_t bound = n * 100000;
  int32_t i = 0;
  for (int32_t c = 1; c <= bound; ++c) {
    const TickReading r = clock();
    if (c % 100000 == 0) {
      // (count mod rate) * (id + 1) in wrapping 32-bit arithmetic; the
      // remainder takes the sign of the count.
      const int32_t sub = r.rate > 0 ? r.count % r.rate : r.count;
      const uint32_t v =
          static_cast<uint32_t>(sub) * (static_cast<uint32_t>(id) + 1u);
      if (i < n) seeds[i] = v;
      ++i;
    }
  }
  rng_seed(rng, seeds);
  for (int k = 0; k < 100; ++k) random(rng);
}

std::array<uint32_t, kSeedSize> seed_words(uint64_t n, int32_t id) {
  std::array<uint32_t, kSeedSize> words{};
  words[0] = static_cast<uint32_t>(n);
  words[1] = static_cast<uint32_t>(n >> 32);
  words[2] = static_cast<uint32_t>(id);
  return words;
}

void seed_from(Rng& rng, uint64_t n, int32_t id) {
  rng_seed(rng, seed_words(n, id));
  for (int k = 0; k < 100; ++k) random(rng);
}

}  // namespace ptfit
