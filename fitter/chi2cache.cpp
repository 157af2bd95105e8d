// The cached chi-square: which arrays a call must renew, and the sum by the
// vector loops of chi2_kernels.cpp.
#include "chi2cache.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "getdata.h"
#include "sine.h"

namespace ptfit {

namespace {

uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

// Makes the arrays for the data of `d` and `nparams` parameters; every
// keyed array and the sum start empty.
void build(Chi2Cache& c, const Data& d, int32_t nparams) {
  const int32_t n = std::max(d.ndata, 0);
  const int32_t npad = (n + kLanes - 1) / kLanes * kLanes;
  c.built = true;
  c.modeltype = d.modeltype;
  c.nparams = nparams;
  c.ndata = d.ndata;
  c.data = d.simdata.data();
  c.size = d.simdata.size();
  c.npad = npad;
  c.w.assign(npad, 0.0);
  c.y.assign(npad, 0.0);
  c.ss.assign(npad, 1.0);
  c.wmax = 0;
  const double* t = d.simdata.data();
  const double* y = t + n;
  const double* s = y + n;
  for (int32_t i = 0; i < n; ++i) {
    // The same bits as t * 2 * kPi in the formula.
    c.w[i] = t[i] * 2 * kPi;
    c.y[i] = y[i];
    const double a = std::fabs(c.w[i]);
    if (std::isnan(a) || a > c.wmax) c.wmax = a;
    if (d.modeltype != 1 && std::fabs(s[i]) > kWeightFloor) {
      c.ss[i] = s[i] * s[i];
    }
  }
  int32_t nsines = 0;
  if (d.modeltype == 1) nsines = (nparams - 1) / 3;
  if (d.modeltype == 2 || d.modeltype == 3) nsines = 1;
  if (d.modeltype == 4) nsines = 2 * ((nparams - 1) / 5);
  KeyedArray empty;
  empty.values[0].assign(npad, 0.0);
  empty.values[1].assign(npad, 0.0);
  c.quotients.assign(nsines, empty);
  c.sines.assign(nsines, empty);
  c.level.clear();
  c.segment_first.clear();
  c.level_key.clear();
  if (d.modeltype == 2 || d.modeltype == 3) {
    // Segments are consecutive: k_i never decreases with i. With three
    // parameters the index clamps to 3 for every point: one segment whose
    // level is the phase.
    c.first_level = std::min<int32_t>(4, nparams);
    const int32_t nseg = nparams - c.first_level + 1;
    c.level.assign(npad, 0.0);
    c.segment_first.assign(nseg + 1, n);
    for (int32_t i = n; i >= 1; --i) {
      c.segment_first[segment_index(i, n, nparams) - c.first_level] = i - 1;
    }
    for (int32_t sgm = nseg - 1; sgm >= 0; --sgm) {
      c.segment_first[sgm] =
          std::min(c.segment_first[sgm], c.segment_first[sgm + 1]);
    }
    c.level_key.assign(nseg, 0);
    c.levels_filled = false;
  }
  const size_t nterms = d.modeltype == 4 ? nsines / 2 : nsines;
  c.term_a.assign(nterms, nullptr);
  c.term_b.assign(nterms, nullptr);
  c.amplitude.assign(nterms, 0.0);
  c.summed = false;
  c.sum_key.assign(nparams, 0);
}

bool built_for(const Chi2Cache& c, const Data& d, int32_t nparams) {
  return c.built && c.modeltype == d.modeltype && c.nparams == nparams &&
         c.ndata == d.ndata && c.data == d.simdata.data() &&
         c.size == d.simdata.size();
}

// The slot of `a` that holds `key`, or -1.
int32_t find_slot(const KeyedArray& a, const std::array<uint64_t, 2>& key) {
  for (int32_t slot : {a.current, 1 - a.current}) {
    if (a.filled[slot] && a.key[slot] == key) return slot;
  }
  return -1;
}

// The values of sine `idx` at every point for (period, phase): kept ones
// when either slot holds them, else made in the older slot, with its
// quotients kept or made likewise.
const double* sine_values(Chi2Cache& c,
                          int32_t idx,
                          double period,
                          double phase) {
  KeyedArray& s = c.sines[idx];
  const std::array<uint64_t, 2> key = {bits(period), bits(phase)};
  int32_t slot = find_slot(s, key);
  if (slot >= 0) {
    s.current = slot;
    return s.values[slot].data();
  }
  slot = 1 - s.current;
  double* out = s.values[slot].data();
  KeyedArray& q = c.quotients[idx];
  const std::array<uint64_t, 2> qkey = {bits(period), 0};
  const Chi2Kernels& k = chi2_kernels(c.path);
  int32_t qslot = find_slot(q, qkey);
  if (qslot >= 0) {
    k.sines(q.values[qslot].data(), phase, out, c.npad);
  } else {
    qslot = 1 - q.current;
    k.quotient_sines(
        c.w.data(), period, phase, q.values[qslot].data(), out, c.npad);
    q.key[qslot] = qkey;
    q.filled[qslot] = true;
  }
  q.current = qslot;
  // |phase + w_i / period| stays below this bound (the limit leaves room
  // for the rounding); otherwise some argument may lie beyond the kernel's
  // range, or be infinite or NaN.
  if (!(std::fabs(phase) + c.wmax / std::fabs(period) < kSineLimit)) {
    const double* qv = q.values[qslot].data();
    for (int32_t i = 0; i < c.npad; ++i) {
      const double x = phase + qv[i];
      if (!(std::fabs(x) < kSineLimit)) out[i] = std::sin(x);
    }
  }
  s.key[slot] = key;
  s.filled[slot] = true;
  s.current = slot;
  return out;
}

// Models 2 and 3: every segment whose parameter changed gets its new value
// at its points.
void update_levels(Chi2Cache& c, const Fitparam* fp) {
  for (size_t sgm = 0; sgm < c.level_key.size(); ++sgm) {
    const double v = fp[c.first_level - 1 + sgm].value;
    if (c.levels_filled && bits(v) == c.level_key[sgm]) continue;
    std::fill(c.level.begin() + c.segment_first[sgm],
              c.level.begin() + c.segment_first[sgm + 1],
              v);
    c.level_key[sgm] = bits(v);
  }
  c.levels_filled = true;
}

}  // namespace

double chi2_cached(const Global& g, const Data& d, Chi2Cache& c) {
  const int32_t modeltype = d.modeltype;
  const int32_t nparams = g.nparams;
  if (!chi2_computable(g, d)) return std::numeric_limits<double>::quiet_NaN();
  if (modeltype < 1 || modeltype > 4) return 0.0;
  if (!built_for(c, d, nparams)) build(c, d, nparams);
  const Fitparam* fp = g.fitparams.data();
  auto p = [fp](int32_t j) { return fp[j - 1].value; };

  bool same = c.summed;
  for (int32_t j = 0; j < nparams; ++j) {
    const uint64_t b = bits(fp[j].value);
    same = same && c.sum_key[j] == b;
    c.sum_key[j] = b;
  }
  if (same) return c.sum;

  const Chi2Kernels& k = chi2_kernels(c.path);
  const int32_t n = std::max(d.ndata, 0);
  double sum = 0.0;
  switch (modeltype) {
    case 1: {
      // p(j) sin(p(j+2) + t 2π/p(j+1)), j = 2, 5, ...
      const int32_t nterms = static_cast<int32_t>(c.amplitude.size());
      for (int32_t t = 0; t < nterms; ++t) {
        const int32_t j = 2 + 3 * t;
        c.term_a[t] = sine_values(c, t, p(j + 1), p(j + 2));
        c.amplitude[t] = p(j);
      }
      sum = k.sum_model1(
          c.y.data(), n, p(1), c.term_a.data(), c.amplitude.data(), nterms);
      break;
    }
    case 2:
    case 3: {
      const double* s = sine_values(c, 0, p(2), p(3));
      update_levels(c, fp);
      sum = (modeltype == 2 ? k.sum_model2 : k.sum_model3)(
          c.y.data(), c.ss.data(), n, s, p(1), c.level.data());
      break;
    }
    default: {
      // p(j) sin(p(j+4) + t 2π/p(j+3)) sin(p(j+2) + t 2π/p(j+1)),
      // j = 2, 7, ...
      const int32_t nterms = static_cast<int32_t>(c.amplitude.size());
      for (int32_t t = 0; t < nterms; ++t) {
        const int32_t j = 2 + 5 * t;
        c.term_a[t] = sine_values(c, 2 * t, p(j + 3), p(j + 4));
        c.term_b[t] = sine_values(c, 2 * t + 1, p(j + 1), p(j + 2));
        c.amplitude[t] = p(j);
      }
      sum = k.sum_model4(c.y.data(),
                         c.ss.data(),
                         n,
                         p(1),
                         c.term_a.data(),
                         c.term_b.data(),
                         c.amplitude.data(),
                         nterms);
      break;
    }
  }
  c.sum = sum;
  c.summed = true;
  return sum;
}

double chi2_fast(const Global& g, Data& d) {
  d.pi = kPi;
  return chi2_cached(g, d, d.cache);
}

}  // namespace ptfit
