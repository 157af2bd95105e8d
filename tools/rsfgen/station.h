// A station's receiver for synthetic soundings: the echo and the noise as
// they arrive, and the gain that its automatic gain control sets for each
// frequency group, so that the recorded amplitudes (0 to 31) are what a
// station would record and ionoscan's gain factor, 10^(-(3 gain + atten)
// / 20), turns them back into the arriving levels.
#pragma once

#include <cstdint>

#include "noise.h"
#include "rsfgen.h"

namespace rsfgen {

// Levels in dB of the amplitudes as ionoscan weights them (0 dB is a
// weighted amplitude of 1).
struct Receiver {
  double echo_db = 0;        // O echo at its peak height, at night
  double noise_db = -20;     // upper end of the uniform noise of a sample
  double absorption_db = 0;  // daytime loss at 2 MHz at noon; it follows the
                             // sun's height (0 at night) and falls as 1/f^2
  double xloss_db = 0;       // X echoes are weaker by this much
  int32_t spread = 0;        // heights each side of the peak that echo too,
                             // 3 dB weaker per height away from it
};

// The echo level of a group at `mhz`, polarisation `pol` (1 X, 2 O), at
// `hour_of_day` (0 to 24).
double echo_level_db(const Receiver& r,
                     double mhz,
                     int32_t pol,
                     double hour_of_day);

// The receiver's gain in dB for a group whose strongest arriving sample is
// `peak` (weighted units), with the sounding's attenuation code `atten_code`
// (0 to 7, 6 dB a step): the largest gain code (0 to 15, 3 dB a step) that
// keeps the recorded peak at or below 31.
int32_t agc_gain_code(double peak, int32_t atten_code);

// The attenuation code (0 to 7) of a sounding whose strongest arriving
// sample is `peak`: as much of the gain in 6 dB steps as that sample
// leaves room for; the gain codes of the groups do the rest.
int32_t agc_atten_code(double peak);

// Appends groups for every frequency from f1 to f2 MHz (inclusive) in steps
// of `fstep`, each as an O-mode then an X-mode group, whose arriving
// profile is the echo at the height nearest to `height_km` (and its spread)
// over uniform noise drawn from `noise`; sets the sounding's attenuation
// code and each group's gain code as the gain control would, and records
// every sample rounded to the nearest whole amplitude.
void gen_add_received_layer(GenSounding& s,
                            const Receiver& r,
                            double height_km,
                            double f1,
                            double f2,
                            double fstep,
                            double hour_of_day,
                            NoiseStream& noise);

}  // namespace rsfgen
