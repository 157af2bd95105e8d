// Binning of samples and the texts of the result files.
#include "results.h"

#include <cmath>

#include "fortran_format.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "getdata.h"

namespace ptfit {

int32_t bin_index(double q) {
  // trunc(q) lies in 1..10000 exactly when 1 <= q < 10001; NaN fails both.
  if (!(q >= 1.0 && q < 10001.0)) return 0;
  return static_cast<int32_t>(q);
}

void binning(Global& g, const RunConfig& c) {
  if (g.temperature != 1.0) return;
  const double weight = c.samplingtype == 11 ? std::exp(-c.chi2cur / 2) : 1.0;
  for (Fitparam& p : g.fitparams) {
    if (p.vary == 0) continue;
    const double w = (p.range[1] - p.range[0]) / kNbins;
    const int32_t b = bin_index((p.value - p.range[0]) / w);
    if (b != 0) hist_count(p, b) += weight;
    p.neval += 1;
    p.avval += p.value;
    p.sigmaval += p.value * p.value;
  }
  g.avchi2 += c.chi2cur;
  g.sigmachi2 += c.chi2cur * c.chi2cur;
  g.chi2eval += 1;
  const int32_t b = bin_index(c.chi2cur / (c.chi2max / kNbins));
  if (b != 0) g.chi2bin[kNbins + b - 1] += 1.0;
}

std::string histogram_text(const Fitparam& p,
                           const std::vector<double>& counts) {
  const double dx = p.histogram[1] - p.histogram[0];
  double area = 0;
  for (int j = 0; j < kNbins; ++j) area += dx * counts[j];
  std::string text;
  text.reserve(kNbins * 50);
  for (int j = 0; j < kNbins; ++j) {
    text += textio::free_line(p.histogram[j], counts[j] / area);
    text += '\n';
  }
  if (p.showref != 0) {
    double top = NAN;
    for (int j = 0; j < kNbins; ++j) {
      if (std::isnan(counts[j])) continue;
      if (std::isnan(top) || counts[j] > top) top = counts[j];
    }
    text += "\n\n";
    for (int k = 0; k <= 10; ++k) {
      text += textio::free_line(p.refvalue, k * (top / 10));
      text += '\n';
    }
  }
  return text;
}

std::string chi2bin_text(const std::vector<double>& chi2bin,
                         const std::vector<double>& counts) {
  std::string text;
  text.reserve(kNbins * 50);
  for (int j = 0; j < kNbins; ++j) {
    text += textio::free_line(chi2bin[j], counts[j]);
    text += '\n';
  }
  return text;
}

std::string histogram_name(const Fitparam& p) {
  return std::string(textio::trimmed(p.name)) + ".bin";
}

std::vector<double> mean_values(const std::vector<double>& sums,
                                const std::vector<int32_t>& counts,
                                const std::vector<double>& fallback) {
  std::vector<double> means(sums.size());
  for (size_t j = 0; j < sums.size(); ++j) {
    means[j] =
        counts[j] == 0 ? fallback[j] : sums[j] / static_cast<double>(counts[j]);
  }
  return means;
}

std::string reconstructed_text(const Data& d, const std::vector<double>& p) {
  const int32_t n = d.ndata;
  const double* t = d.simdata.data();
  const double* y = t + n;
  std::string text;
  if (d.modeltype >= 1 && d.modeltype <= 4) {
    for (int32_t i = 1; i <= n; ++i) {
      text += textio::free_line(t[i - 1],
                                model_value(
                                    d.modeltype,
                                    [&](int32_t j) { return p[j - 1]; },
                                    static_cast<int32_t>(p.size()),
                                    n,
                                    i,
                                    t[i - 1]));
      text += '\n';
    }
  }
  text += "\n\n";
  for (int32_t i = 0; i < n; ++i) {
    text += textio::free_line(t[i], y[i]);
    text += '\n';
  }
  return text;
}

std::string scatter_name(int32_t mpiid) {
  return "scatter_" + std::to_string(mpiid);
}

std::string scatter_header(const Global& g) {
  int32_t nvary = 0;
  for (const Fitparam& p : g.fitparams) nvary += p.vary != 0 ? 1 : 0;
  std::string text =
      textio::fortran_format("(A8)", {std::string_view("NAMEOXLE")}) + '\n';
  text += textio::free_line(nvary + 1) + '\n';
  for (const Fitparam& p : g.fitparams) {
    if (p.vary != 0) text += textio::free_line(p.name) + '\n';
  }
  text += textio::free_line("chi2") + '\n';
  return text;
}

std::string scatter_record(const Global& g, double chi2cur) {
  std::string line;
  for (const Fitparam& p : g.fitparams) {
    if (p.vary == 1) line += textio::fortran_format("(f15.3)", {p.value});
  }
  line += textio::fortran_format("(G15.3)", {chi2cur});
  return line;
}

}  // namespace ptfit
