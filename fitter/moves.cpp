// Proposals, acceptance rules and step adaptation of the walk.
#include "moves.h"

#include <cmath>
#include <ostream>
#include <stdexcept>
#include <string>

#include "freeform_in.h"
#include "freeform_out.h"

namespace ptfit {

namespace {
constexpr char kUndefinedSampling[] = "UNDEFINIED CHOICE FOR SAMPLINGTYPE";
}  // namespace

void moveparams(Fitparam& p,
                int32_t samplingtype,
                Rng& rng,
                std::ostream& out) {
  if (p.vary == 0) {
    out << textio::free_line("CRITICAL ERROR IN MOVEPARAMS") << std::endl;
    throw std::logic_error("moveparams: parameter " +
                           std::string(textio::trimmed(p.name)) +
                           " is not varied");
  }
  const double lo = p.range[0];
  const double hi = p.range[1];
  if (samplingtype == 11) {
    p.value = lo + std::fabs(hi - lo) * random(rng);
    return;
  }
  const double u = random(rng);
  const double step = (0.5 - u) * p.maxstep;
  const double w = std::fabs(hi - lo);
  p.value = p.value + step;
  // The range is periodic: leaving it at one end re-enters it at the other
  // by the overshoot; a value exactly on a bound stays.
  if (p.value < lo) p.value = hi - std::fmod(std::fabs(p.value - hi), w);
  if (p.value > hi) p.value = lo + std::fmod(p.value - lo, w);
}

int32_t evalmv(double delta, Rng& rng) {
  if (delta <= 0) return 1;
  // x = max(-120, min(120, -delta)); a NaN delta clamps to 120.
  double x = -delta;
  if (!(x < 120.0)) x = 120.0;
  if (!(x > -120.0)) x = -120.0;
  const double u = random(rng);
  return std::exp(x) > u ? 1 : 0;
}

int32_t acceptance(int32_t samplingtype,
                   double chi2new,
                   double chi2cur,
                   double temperature,
                   double value,
                   double oldvalue,
                   Rng& rng,
                   std::ostream& out) {
  switch (samplingtype) {
    case 1:
      return evalmv((chi2new - chi2cur) / 2 / temperature, rng);
    case 2: {
      const double ratio =
          (value * std::exp(-chi2new / 2) / oldvalue) / std::exp(-chi2cur / 2);
      const double prob = ratio < 1.0 ? ratio : 1.0;  // NaN counts as 1
      const double u = random(rng);
      return prob >= u ? 1 : 0;
    }
    case 11:
      return 1;
    default:
      out << textio::free_line(kUndefinedSampling) << '\n';
      return 0;
  }
}

void mcstatistics(Fitparam& p, int32_t accepted) {
  const double cap = (p.range[1] - p.range[0]) / 10;
  p.ntried = p.ntried + 1;
  if (accepted != 0) {
    p.maxstep = p.maxstep * (1 + kStepAdapt);
    p.naccepted = p.naccepted + 1;
  } else {
    p.maxstep = (1 - kStepAdapt) * p.maxstep;
  }
  if (p.maxstep > cap) p.maxstep = cap;
}

bool check_samplingtype(int32_t samplingtype, std::string& message) {
  if (samplingtype == 1 || samplingtype == 2 || samplingtype == 11) {
    return true;
  }
  message = kUndefinedSampling;
  return false;
}

}  // namespace ptfit
