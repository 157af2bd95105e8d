// The models and their chi-square, and the start-up check of the parameter
// count.
#include <algorithm>
#include <cmath>
#include <limits>

#include "getdata.h"

namespace ptfit {

bool check_nparams(int32_t modeltype, int32_t nparams, std::string& message) {
  const std::string got = "; nparams = " + std::to_string(nparams);
  if (nparams < 0) {
    message = "ERROR: the number of parameters cannot be negative" + got;
    return false;
  }
  switch (modeltype) {
    case 1:
      if (nparams % 3 == 1) return true;
      message =
          "ERROR: modeltype 1 needs 1+3k parameters (a constant, then "
          "amplitude, period and phase of each sinusoid)" +
          got;
      return false;
    case 2:
    case 3:
      if (nparams >= 4) return true;
      message = "ERROR: modeltype " + std::to_string(modeltype) +
                " needs at least 4 parameters (" +
                (modeltype == 2 ? "amplitude" : "offset") +
                ", period, phase, then one " +
                (modeltype == 2 ? "baseline level" : "amplitude") +
                " per segment)" + got;
      return false;
    case 4:
      if (nparams % 5 == 1) return true;
      message =
          "ERROR: modeltype 4 needs 1+5k parameters (a constant, then "
          "amplitude, two periods and two phases of each product)" +
          got;
      return false;
    default:
      return true;
  }
}

namespace {
// check_nparams without the message, for the hot path.
bool nparams_fit(int32_t modeltype, int32_t nparams) {
  if (nparams < 0) return false;
  switch (modeltype) {
    case 1:
      return nparams % 3 == 1;
    case 2:
    case 3:
      return nparams >= 4;
    case 4:
      return nparams % 5 == 1;
    default:
      return true;
  }
}
}  // namespace

double chi2(const Global& g, Data& d) {
  d.pi = kPi;
  const int32_t modeltype = d.modeltype;
  const int32_t nparams = g.nparams;
  if (!nparams_fit(modeltype, nparams) ||
      g.fitparams.size() < static_cast<size_t>(nparams) ||
      d.simdata.size() < 3 * static_cast<size_t>(std::max(d.ndata, 0))) {
    return std::numeric_limits<double>::quiet_NaN();
  }
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
