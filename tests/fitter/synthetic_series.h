// A series with a known truth for end-to-end fits: a constant plus one
// sinusoid (model 1) at 15-minute steps of year 20 from 10:00 of day 100,
// with Gaussian noise of standard deviation 1 from a fixed stream, so that
// the data and so the posterior are the same on every machine.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "ptfit_run.h"

namespace ptfit_test {

struct Sinusoid {
  double constant = 250;
  double amplitude = 20;
  double period = 12;  // hours
  double phase = 2;    // radians, at the window start
};

// `n` records and the record that ends the window (the window is 10:00 of
// day 100 to the time after the last point). Noise: Box-Muller on a
// mt19937_64 stream (both fully specified) seeded with `seed`.
inline std::string sinusoid_series(const Sinusoid& s, int n, uint64_t seed) {
  std::mt19937_64 stream(seed);
  const auto uniform = [&stream] {
    return (double((stream() >> 11) + 1)) * 0x1.0p-53;  // (0, 1]
  };
  std::string text;
  for (int i = 0; i <= n; ++i) {
    const int minutes = 10 * 60 + 15 * i;
    const double t = 0.25 * i;
    const double noise = std::sqrt(-2 * std::log(uniform())) *
                         std::cos(6.283185307179586 * uniform());
    const double y =
        s.constant +
        s.amplitude * std::sin(s.phase + 6.283185307179586 * t / s.period) +
        noise;
    text += series_line(100 + minutes / 1440,
                        minutes % 1440 / 60,
                        minutes % 60,
                        i < n ? y : 0.0,
                        1.0);
  }
  return text;
}

// The window answers for sinusoid_series(…, n, …): from 10:00 of day 100 to
// the record after the last point.
inline std::string sinusoid_window(int n) {
  const int minutes = 10 * 60 + 15 * n;
  return "20 100 10 0\n20 " + std::to_string(100 + minutes / 1440) + " " +
         std::to_string(minutes % 1440 / 60) + " " +
         std::to_string(minutes % 60) + "\n";
}

}  // namespace ptfit_test
