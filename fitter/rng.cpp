#include "rng.h"

namespace ptfit {

void rng_seed(Rng&, std::span<const uint32_t>) {}
double random(Rng&) { return 0.0; }

}  // namespace ptfit
