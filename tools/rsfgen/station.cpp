// The receiver of synthetic soundings: arriving echo and noise, gain
// control, recorded amplitudes.
#include "station.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace rsfgen {

namespace {

// Headroom in dB between an arriving `peak` and the top amplitude 31.
double headroom_db(double peak) {
  return peak > 0 ? 20.0 * std::log10(31.0 / peak) : 1000.0;
}

// One group's arriving profile (weighted units) before recording.
struct Arriving {
  double mhz = 0;
  int32_t pol = 0;
  std::vector<double> level;
  double peak = 0;
};

}  // namespace

double echo_level_db(const Receiver& r,
                     double mhz,
                     int32_t pol,
                     double hour_of_day) {
  // The sun's height as the cosine of its hour angle, 0 at night.
  const double sun = std::max(
      0.0, std::cos(2.0 * std::numbers::pi * (hour_of_day - 12.0) / 24.0));
  const double ratio = mhz > 0 ? 2.0 / mhz : 0.0;
  const double loss = r.absorption_db * sun * ratio * ratio;
  return r.echo_db - loss - (pol == 1 ? r.xloss_db : 0.0);
}

int32_t agc_atten_code(double peak) {
  return static_cast<int32_t>(
      std::clamp(std::floor(headroom_db(peak) / 6.0), 0.0, 7.0));
}

int32_t agc_gain_code(double peak, int32_t atten_code) {
  const double room = headroom_db(peak) - 6.0 * atten_code;
  return static_cast<int32_t>(std::clamp(std::floor(room / 3.0), 0.0, 15.0));
}

void gen_add_received_layer(GenSounding& s,
                            const Receiver& r,
                            double height_km,
                            double f1,
                            double f2,
                            double fstep,
                            double hour_of_day,
                            NoiseStream& noise) {
  const int32_t nsum = gen_nsum(s.nhts);
  const int32_t peak = gen_height_index(s, height_km) - 1;
  const double noise_top = std::pow(10.0, r.noise_db / 20.0);
  std::vector<Arriving> groups;
  for (const double mhz : gen_frequencies(f1, f2, fstep)) {
    for (const int32_t pol : {2, 1}) {
      Arriving a{mhz, pol, std::vector<double>(nsum), 0.0};
      const double echo_db = echo_level_db(r, mhz, pol, hour_of_day);
      for (int32_t i = 0; i < nsum; ++i) {
        a.level[i] = noise_top * noise_uniform(noise);
        const int32_t away = std::abs(i - peak);
        if (away <= r.spread) {
          a.level[i] += std::pow(10.0, (echo_db - 3.0 * away) / 20.0);
        }
        a.peak = std::max(a.peak, a.level[i]);
      }
      groups.push_back(std::move(a));
    }
  }
  double strongest = 0;
  for (const Arriving& a : groups) strongest = std::max(strongest, a.peak);
  s.atten_code = agc_atten_code(strongest);
  for (const Arriving& a : groups) {
    const int32_t gain = agc_gain_code(a.peak, s.atten_code);
    const double factor =
        std::pow(10.0, (3.0 * gain + 6.0 * s.atten_code) / 20.0);
    GenGroup g{a.mhz, a.pol, gain, std::vector<int32_t>(nsum)};
    for (int32_t i = 0; i < nsum; ++i) {
      const double recorded = std::floor(a.level[i] * factor + 0.5);
      g.amp[i] = static_cast<int32_t>(std::clamp(recorded, 0.0, 31.0));
    }
    s.groups.push_back(std::move(g));
  }
}

}  // namespace rsfgen
