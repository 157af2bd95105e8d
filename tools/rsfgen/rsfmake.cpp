// rsfmake: writes a series of synthetic RSF soundings and their list file.
//   rsfmake [key=value ...]
// keys: dir prefix list count year doy hour minute every nhts layer swing
// period f1 f2 fstep amplitude background spread (see soundings.h).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "soundings.h"

int main(int argc, char** argv) {
  rsfgen::SeriesPlan p;
  std::string list = "list";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      std::fprintf(stderr, "rsfmake: expected key=value, got %s\n", argv[i]);
      return 2;
    }
    const std::string k = arg.substr(0, eq), v = arg.substr(eq + 1);
    const int n = std::atoi(v.c_str());
    const double x = std::atof(v.c_str());
    if (k == "dir")
      p.dir = v;
    else if (k == "prefix")
      p.prefix = v;
    else if (k == "list")
      list = v;
    else if (k == "count")
      p.count = n;
    else if (k == "year")
      p.year = n;
    else if (k == "doy")
      p.doy = n;
    else if (k == "hour")
      p.hour = n;
    else if (k == "minute")
      p.minute = n;
    else if (k == "every")
      p.every = n;
    else if (k == "nhts")
      p.nhts = n;
    else if (k == "layer")
      p.layer_km = x;
    else if (k == "swing")
      p.swing_km = x;
    else if (k == "period")
      p.period_h = x;
    else if (k == "f1")
      p.f1 = x;
    else if (k == "f2")
      p.f2 = x;
    else if (k == "fstep")
      p.fstep = x;
    else if (k == "amplitude")
      p.amplitude = n;
    else if (k == "background")
      p.background = n;
    else if (k == "spread")
      p.spread = n;
    else {
      std::fprintf(stderr, "rsfmake: unknown key %s\n", k.c_str());
      return 2;
    }
  }
  std::string error;
  if (!rsfgen::write_sounding_series(p, list, error)) {
    std::fprintf(stderr, "rsfmake: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
