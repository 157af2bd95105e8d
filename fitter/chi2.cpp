// The models and their chi-square, and the start-up check of the parameter
// count.
#include <algorithm>
#include <cmath>
#include <limits>

#include "getdata.h"

namespace ptfit {

bool nparams_fit(int32_t modeltype, int32_t nparams) {
  if (nparams < 0) return false;
  switch (modeltype) {
    case 1:
      return nparams % 3 == 1;
    case 2:
    case 3:
      return nparams >= 3;
    case 4:
      return nparams % 5 == 1;
    default:
      return true;
  }
}

namespace {

// What the parameters of `modeltype` must be, for the message of a count
// that does not fit.
// REQUIRES: modeltype is 1, 2, 3 or 4 (other types take any count).
std::string layout_needed(int32_t modeltype) {
  switch (modeltype) {
    case 1:
      return "1+3k parameters (a constant, then amplitude, period and phase "
             "of each sinusoid)";
    case 2:
      return "at least 3 parameters (amplitude, period, phase, then one "
             "baseline level per segment)";
    case 3:
      return "at least 3 parameters (offset, period, phase, then one "
             "amplitude per segment)";
    default:  // 4
      return "1+5k parameters (a constant, then amplitude, two periods and "
             "two phases of each product)";
  }
}

}  // namespace

bool check_nparams(int32_t modeltype, int32_t nparams, std::string& message) {
  if (nparams_fit(modeltype, nparams)) return true;
  const std::string got = "; nparams = " + std::to_string(nparams);
  if (nparams < 0) {
    message = "ERROR: the number of parameters cannot be negative" + got;
  } else {
    message = "ERROR: modeltype " + std::to_string(modeltype) + " needs " +
              layout_needed(modeltype) + got;
  }
  return false;
}

bool chi2_computable(const Global& g, const Data& d) {
  return nparams_fit(d.modeltype, g.nparams) &&
         g.fitparams.size() >= static_cast<size_t>(g.nparams) &&
         d.simdata.size() >= 3 * static_cast<size_t>(std::max(d.ndata, 0));
}

double chi2(const Global& g, Data& d) {
  d.pi = kPi;
  const int32_t modeltype = d.modeltype;
  const int32_t nparams = g.nparams;
  if (!chi2_computable(g, d)) return std::numeric_limits<double>::quiet_NaN();
  if (modeltype < 1 || modeltype > 4) return 0.0;
  const Fitparam* fp = g.fitparams.data();
  auto p = [fp](int32_t j) { return fp[j - 1].value; };
  const int32_t n = d.ndata;
  const double* t = d.simdata.data();
  const double* y = t + n;
  const double* s = y + n;
  // chi2 = sum over i of r_i^2 (model 1), or of r_i^2/s_i^2 (models 2-4,
  // when |s_i| > kWeightFloor, else r_i^2), with r_i = y_i - m(t_i).
  double sum = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const double m = model_value(modeltype, p, nparams, n, i, t[i - 1]);
    const double r = y[i - 1] - m;
    const double si = s[i - 1];
    double c;
    if (modeltype == 1 || !(std::fabs(si) > kWeightFloor)) {
      c = r * r;
    } else {
      c = (r * r) / (si * si);
    }
    sum = sum + c;
  }
  return sum;
}

}  // namespace ptfit
