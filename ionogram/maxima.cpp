// Height maxima of every band and time step, and the "_maxima_" files.
#include "maxima.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <ostream>

#include "atomic_file.h"
#include "fortran_format.h"
#include "freeform_in.h"
#include "series.h"
#include "sort2.h"

namespace ionoscan {

double height_of(float h0, float hstep, int32_t i) {
  const float h = h0 + hstep * static_cast<float>(i - 1);
  return static_cast<double>(h);
}

std::vector<int32_t> window_indices(
    float h0, float hstep, int32_t nsum, float minh, float maxh) {
  std::vector<int32_t> w;
  const double lo = minh, hi = maxh;
  for (int32_t i = 1; i <= nsum; ++i) {
    const double h = height_of(h0, hstep, i);
    if (lo <= h && h <= hi) w.push_back(i);
  }
  return w;
}

void filter(int32_t nwin,
            std::span<double> series,
            std::span<const char> sampled) {
  const int32_t n = static_cast<int32_t>(series.size());
  std::vector<double> x(series.begin(), series.end());
  for (int32_t i = 1; i <= n; ++i) {
    if (!sampled[i - 1]) continue;
    // x(i) = sum of series(i+k) over k = -nwin..nwin with i+k inside 1..n
    // and sampled, over their count (at least 1: step i itself)
    double sum = 0;
    int32_t m = 0;
    for (int32_t k = -nwin; k <= nwin; ++k) {
      const int32_t p = i + k;
      if (p < 1 || p > n || !sampled[p - 1]) continue;
      sum += series[p - 1];
      ++m;
    }
    x[i - 1] = sum / m;
  }
  std::copy(x.begin(), x.end(), series.begin());
}

void band_maxima(const Extractor& ex,
                 int32_t ib,
                 std::span<const int32_t> window,
                 std::vector<double>& mean,
                 std::vector<double>& sd) {
  const int32_t n = static_cast<int32_t>(window.size());
  const int32_t navg = ex.ans.navg;
  const double dnavg = navg;
  std::vector<double> tempsig(window.size());
  std::vector<int32_t> ind(window.size());
  mean.assign(ex.ntimes, 0.0);
  sd.assign(ex.ntimes, 0.0);
  for (int32_t it = 1; it <= ex.ntimes; ++it) {
    const double* row = &ex.bins[bins_at(ex, it, 1, ib)];
    for (int32_t k = 0; k < n; ++k) {
      tempsig[k] = row[window[k] - 1];
      ind[k] = window[k];
    }
    sort2(n, tempsig.data(), ind.data());
    // y = sum of h, y2 = sum of h^2 over the navg strongest, from the top
    double y = 0, y2 = 0;
    for (int32_t k = 1; k <= navg; ++k) {
      const double h = height_of(ex.hdr.h0, ex.hdr.hstep, ind[n - k]);
      y += h;
      y2 += h * h;
    }
    // Population variance; rounding can leave it a hair below 0 when all
    // chosen heights are equal (a zero height step).
    const double var = y2 / dnavg - (y / dnavg) * (y / dnavg);
    mean[it - 1] = y / dnavg;
    sd[it - 1] = std::sqrt(std::max(var, 0.0));
  }
}

int32_t steps_without_echo(const Extractor& ex,
                           int32_t ib,
                           std::span<const int32_t> window) {
  int32_t n = 0;
  for (int32_t it = 1; it <= ex.ntimes; ++it) {
    if (!ex.sampled[it - 1]) continue;
    const double* row = &ex.bins[bins_at(ex, it, 1, ib)];
    bool echo = false;
    for (const int32_t i : window) echo = echo || row[i - 1] > 0;
    if (!echo) ++n;
  }
  return n;
}

std::string maxima_file_name(std::string_view logo, int32_t ib) {
  const std::string num =
      textio::fortran_format(ib <= 9 ? "(I1)" : "(I2)", {ib});
  return std::string(textio::trimmed(logo)) + "_maxima_" +
         std::string(textio::trimmed(num)) + ".dat";
}

Status plotmaxima(const Extractor& ex, std::ostream& out) {
  say(out, "allocating array maxheights");
  say(out, "allocated array maxheights");
  say(out, "will plot maxima for ", ex.ans.nbands, " ranges");

  const std::vector<int32_t> window = window_indices(
      ex.hdr.h0, ex.hdr.hstep, ex.nsum, ex.ans.minh, ex.ans.maxh);
  std::vector<textio::AtomicFile> files(ex.ans.nbands);
  auto fail = [&](const textio::AtomicFile& f) {
    say(out, "error writing " + f.path + ": " + f.error);
    for (textio::AtomicFile& g : files) textio::atomic_abort(g);
    return refused();
  };

  std::vector<double> mean, sd;
  std::string text;
  std::string notes;  // for standard error, once the files are in place
  const std::string with_sounding =
      std::to_string(std::count(ex.sampled.begin(), ex.sampled.end(), char{1}));
  for (int32_t ib = 1; ib <= ex.ans.nbands; ++ib) {
    textio::AtomicFile& f = files[ib - 1];
    const std::string name = maxima_file_name(ex.ans.logo, ib);
    if (!textio::atomic_open(f, name)) return fail(f);
    say(out, "creating " + name);

    band_maxima(ex, ib, window, mean, sd);
    filter(3, mean, ex.sampled);
    for (int32_t it = 1; it <= ex.ntimes; ++it) {
      const int32_t* t = &ex.timearray[4 * static_cast<size_t>(it - 1)];
      textio::SeriesRecord r;
      r.year = t[0];
      r.day = t[1];
      r.hour = t[2];
      r.minute = t[3];
      const float elapsed = static_cast<float>(it - 1) * ex.ans.dt;
      r.hours = static_cast<double>(elapsed) / 60.0;
      r.value = mean[it - 1];
      r.sigma = sd[it - 1];
      r.timestep = ex.ans.dt;
      text = textio::format_series(r);
      text += '\n';
      textio::atomic_write(f, text);
    }
    if (f.failed) return fail(f);
    const int32_t silent = steps_without_echo(ex, ib, window);
    if (silent > 0) {
      notes += "ionoscan: band " + std::to_string(ib) + ", " + name + ": " +
               std::to_string(silent) + " of " + with_sounding +
               " steps with a sounding have no positive summed amplitude in "
               "the height window: their heights are not measurements\n";
    }
  }
  // Every band's text is on disk before the first file replaces its
  // target, so that a full disk or a failed write leaves every earlier file
  // as it was. What can still fail after that (a rename) fails before the
  // first band only, or is said.
  for (textio::AtomicFile& f : files) {
    if (!textio::atomic_flush(f)) return fail(f);
  }
  for (size_t k = 0; k < files.size(); ++k) {
    if (!textio::atomic_place(files[k])) {
      if (k > 0) {
        files[k].error += "; the files of bands 1 to " + std::to_string(k) +
                          " are already in place";
      }
      return fail(files[k]);
    }
  }
  std::cerr << notes;
  return {};
}

}  // namespace ionoscan
