// Writes a series of synthetic soundings and their list files.
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

namespace {

// A sounding's time, stepped along the calendar (two-digit years).
struct Clock {
  int32_t year, doy, hour, minute;

  void advance(int32_t minutes) {
    minute += minutes;
    hour += minute / 60;
    minute %= 60;
    doy += hour / 24;
    hour %= 24;
    while (doy > textio::year_length(year)) {
      doy -= textio::year_length(year);
      year = (year + 1) % 100;
    }
  }
};

// The profile of the plain (not agc) soundings: `amplitude` at the peak,
// 4 less per height away from it over `spread` heights, `background`
// elsewhere.
void add_plain_layer(GenSounding& s, const SeriesPlan& plan, double km) {
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
}

}  // namespace

double layer_height(const SeriesPlan& plan, double hours) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  return plan.layer_km +
         plan.swing_km * std::sin(kTwoPi * hours / plan.period_h + plan.phase) +
         plan.swing2_km *
             std::sin(kTwoPi * hours / plan.period2_h + plan.phase2);
}

bool write_sounding_series(const SeriesPlan& plan,
                           const std::string& list_path,
                           std::string& error) {
  std::ofstream list(list_path, std::ios::trunc);
  std::ofstream list2;
  if (list && !plan.list2.empty()) list2.open(plan.list2, std::ios::trunc);
  if (!list || (!plan.list2.empty() && !list2)) {
    error = "cannot write " + (list ? plan.list2 : list_path);
    return false;
  }
  Receiver receiver = plan.receiver;
  receiver.spread = plan.spread;
  Clock clock{plan.year, plan.doy, plan.hour, plan.minute};
  int64_t minutes = 60 * plan.hour + plan.minute;  // since 00:00 of day 1
  for (int32_t k = 0; k < plan.count; ++k) {
    const bool second_part = plan.gap_after > 0 && k >= plan.gap_after;
    if (plan.gap_after > 0 && k == plan.gap_after) {
      clock.advance(plan.gap);
      minutes += plan.gap;
    }
    GenSounding s;
    s.year = clock.year;
    gen_set_day_of_year(s, clock.doy);
    s.hour = clock.hour;
    s.minute = clock.minute;
    s.nhts = plan.nhts;
    s.hstep_code = 5;
    const double hours = static_cast<double>(minutes) / 60.0;
    NoiseStream noise = noise_stream(plan.seed, static_cast<uint64_t>(k));
    const double km =
        layer_height(plan, hours) + plan.jitter_km * noise_normal(noise);
    if (plan.agc) {
      gen_add_received_layer(s,
                             receiver,
                             km,
                             plan.f1,
                             plan.f2,
                             plan.fstep,
                             std::fmod(hours, 24.0),
                             noise);
    } else {
      add_plain_layer(s, plan, km);
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s_%06d.RSF", plan.prefix.c_str(), k);
    const std::string path = plan.dir + "/" + name;
    if (!write_rsf(path, s, error)) return false;
    (second_part && list2.is_open() ? list2 : list) << path << '\n';
    clock.advance(plan.every);
    minutes += plan.every;
  }
  list.close();
  if (list2.is_open()) list2.close();
  if (!list || (!plan.list2.empty() && !list2)) {
    error = "cannot write " + (list ? plan.list2 : list_path);
    return false;
  }
  return true;
}

}  // namespace rsfgen
