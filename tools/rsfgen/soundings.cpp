// Writes a series of synthetic soundings and their list file.
#include "soundings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>

#include "rsf.h"
#include "rsfgen.h"
#include "stepgrid.h"

namespace rsfgen {

// Written in the layout that ionoscan's decoders read.
using namespace ionoscan;

bool write_sounding_series(const SeriesPlan& plan,
                           const std::string& list_path,
                           std::string& error) {
  std::ofstream list(list_path, std::ios::trunc);
  if (!list) {
    error = "cannot write " + list_path;
    return false;
  }
  int32_t year = plan.year, doy = plan.doy, hour = plan.hour;
  int32_t minute = plan.minute;
  for (int32_t k = 0; k < plan.count; ++k) {
    GenSounding s;
    s.year = year;
    gen_set_day_of_year(s, doy);
    s.hour = hour;
    s.minute = minute;
    s.nhts = plan.nhts;
    s.hstep_code = 5;
    const double hours = k * plan.every / 60.0;
    const double km =
        plan.layer_km +
        plan.swing_km * std::sin(2 * std::numbers::pi * hours / plan.period_h);
    gen_add_layer(
        s, km, plan.amplitude, plan.f1, plan.f2, plan.fstep, plan.background);
    const int32_t peak = gen_height_index(s, km) - 1;
    for (GenGroup& g : s.groups) {
      for (int32_t k = 1; k <= plan.spread; ++k) {
        const int32_t a = std::max(plan.amplitude - 4 * k, plan.background);
        if (peak - k >= 0) g.amp[peak - k] = a;
        if (peak + k < static_cast<int32_t>(g.amp.size())) g.amp[peak + k] = a;
      }
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s_%06d.RSF", plan.prefix.c_str(), k);
    const std::string path = plan.dir + "/" + name;
    if (!write_rsf(path, s, error)) return false;
    list << path << '\n';

    minute += plan.every;
    hour += minute / 60;
    minute %= 60;
    doy += hour / 24;
    hour %= 24;
    const int32_t length = textio::year_length(year);
    if (doy > length) {
      doy -= length;
      year = (year + 1) % 100;
    }
  }
  list.close();
  if (!list) {
    error = "cannot write " + list_path;
    return false;
  }
  return true;
}

}  // namespace rsfgen
