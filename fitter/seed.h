// Seeding of the process's uniform stream from a 32-bit tick clock and the
// process number, or from a number given on the command line and the process
// number, and the tick clock itself (also read by the block timer).
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "global.h"

namespace ptfit {

// One reading of the 32-bit tick clock.
struct TickReading {
  int32_t count = 0;  // ticks, 0..max; wraps to 0 after max
  int32_t rate = 1;   // ticks per second
  int32_t max = 0;    // largest count before the wrap
};

// The system's monotonic clock in milliseconds, taken modulo 2^31: rate
// 1000, max 2^31 - 1 (wraps after about 24.8 days).
TickReading read_tick_clock();

// A clock to read; tests inject their own.
using TickClock = std::function<TickReading()>;

// Seeds `rng` for process `id`: reads the clock kSeedSize * 100000 times and
// after every 100000th reading takes the seed value (count mod rate)*(id+1)
// (32-bit arithmetic, wrapping on overflow; a rate <= 0 is taken as no
// modulus), puts the kSeedSize values into the generator and discards the
// next 100 deviates.
void seed(Rng& rng, int32_t id, const TickClock& clock = read_tick_clock);

// The kSeedSize seed values of process `id` for the number `n` instead of
// the clock: n's low and high 32 bits, the process number, then zeros.
std::array<uint32_t, kSeedSize> seed_words(uint64_t n, int32_t id);

// Seeds `rng` for process `id` from `n` (seed_words), puts the values into
// the generator and discards the next 100 deviates, as `seed` does.
void seed_from(Rng& rng, uint64_t n, int32_t id);

}  // namespace ptfit
