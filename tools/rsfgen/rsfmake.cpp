// rsfmake: writes a series of synthetic RSF soundings and their list files.
//   rsfmake [key=value ...]   the soundings (the keys: rsfmake --help)
//   rsfmake --help            usage, and every key with its default
//   rsfmake --version         version
// Exit status: 0 written; 1 a file could not be written; 2 a wrong
// argument (an option or key we do not know, an argument that is not
// key=value, a value that is not a number of the key's kind or lies
// outside its range).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "command_line.h"
#include "soundings.h"

namespace {

struct Args {
  rsfgen::SeriesPlan plan;
  std::string list = "list";
};

// Where a key's value goes; its type says how the value is read.
using Field = std::variant<std::string*, int32_t*, double*, uint64_t*, bool*>;

// One key: its name, where its value goes, the accepted range of a number
// (of 0 or 1 for a flag; none for a seed) and what it means.
struct Key {
  const char* name;
  Field field;
  double lo, hi;
  const char* help;
};

constexpr double kAny = std::numeric_limits<double>::infinity();

// The keys, bound to the fields of `a`.
std::vector<Key> keys_of(Args& a) {
  rsfgen::SeriesPlan& p = a.plan;
  rsfgen::Receiver& r = p.receiver;
  // clang-format off
  return {
    {"dir", &p.dir, 0, 0, "folder of the soundings (must exist)"},
    {"prefix", &p.prefix, 0, 0, "file names PREFIX_NNNNNN.RSF, from 0 on"},
    {"list", &a.list, 0, 0, "list file of the soundings (before a gap)"},
    {"list2", &p.list2, 0, 0, "list file of those after it (empty: list)"},
    {"count", &p.count, 0, kAny, "number of soundings"},
    {"year", &p.year, 0, 99, "first sounding: two-digit year,"},
    {"doy", &p.doy, 1, 366, "  day of the year,"},
    {"hour", &p.hour, 0, 23, "  hour"},
    {"minute", &p.minute, 0, 59, "  and minute"},
    {"every", &p.every, 1, 527040, "minutes from one sounding to the next"},
    {"gap_after", &p.gap_after, 0, kAny, "soundings before a gap (0: none)"},
    {"gap", &p.gap, 0, 5270400, "minutes that the gap adds"},
    {"nhts", &p.nhts, 128, 512, "heights: 128, 256 or 512, 5 km from 90"},
    {"f1", &p.f1, 0, 99.99, "first frequency, MHz"},
    {"f2", &p.f2, 0, 99.99, "last frequency, MHz"},
    {"fstep", &p.fstep, 0.01, 99.99, "step, MHz (an O and an X group each)"},
    {"layer", &p.layer_km, 0, 9999, "mean height of the layer, km"},
    {"swing", &p.swing_km, -kAny, kAny, "first oscillation: amplitude, km,"},
    {"period", &p.period_h, 1e-3, kAny, "  period, hours,"},
    {"phase", &p.phase, -kAny, kAny, "  phase, radians"},
    {"swing2", &p.swing2_km, -kAny, kAny, "second oscillation: amplitude,"},
    {"period2", &p.period2_h, 1e-3, kAny, "  period,"},
    {"phase2", &p.phase2, -kAny, kAny, "  phase"},
    {"jitter", &p.jitter_km, 0, kAny, "height noise: standard deviation, km"},
    {"seed", &p.seed, 0, 0, "seed of the noise, 0 to 2^64-1"},
    {"spread", &p.spread, 0, 500, "heights each side of the peak echoing"},
    {"amplitude", &p.amplitude, 0, 31, "no agc: the peak (4 less a height),"},
    {"background", &p.background, 0, 31, "  elsewhere; gain 0, no attenuation"},
    {"agc", &p.agc, 0, 1, "1: recorded as a station would, in dB:"},
    {"echo", &r.echo_db, -kAny, kAny, "  O echo's peak at night,"},
    {"noise", &r.noise_db, -kAny, kAny, "  top of a sample's noise,"},
    {"absorption", &r.absorption_db, 0, kAny, "  loss at 2 MHz, noon (1/f^2),"},
    {"xloss", &r.xloss_db, -kAny, kAny, "  X weaker than O by"},
  };
  // clang-format on
}

constexpr const char* kUsage =
    "usage: rsfmake [key=value ...]\n"
    "       rsfmake --help | --version\n"
    "Writes a series of synthetic RSF soundings, one file each, and the list\n"
    "files that name them, one a line, for ionoscan. A sounding holds an O\n"
    "and an X group per frequency, echoing from a layer at the height\n"
    "  layer + swing sin(2 pi t / period + phase)\n"
    "        + swing2 sin(2 pi t / period2 + phase2) + jitter n  (km)\n"
    "with t in hours since 00:00 of the first sounding's day and n a normal\n"
    "deviate from a seeded stream of our own: the same files on every\n"
    "machine. With agc=1 they are recorded as a station would: the echo,\n"
    "3 dB weaker a height over `spread` heights each side of its peak, over\n"
    "uniform noise; per sounding an attenuation code, per group the largest\n"
    "gain code that keeps its strongest sample at or below 31, so that\n"
    "ionoscan's gain factor 10^(-(3 gain + atten)/20) gives back the levels\n"
    "that arrived.\n"
    "Keys (default):\n";

constexpr const char* kStatus =
    "Exit status: 0 written, 1 a file could not be written, 2 a wrong\n"
    "argument.\n";

// The value of a field as text.
std::string shown(const Field& f) {
  char s[64];
  if (auto p = std::get_if<std::string*>(&f)) return **p;
  if (auto p = std::get_if<int32_t*>(&f)) return std::to_string(**p);
  if (auto p = std::get_if<uint64_t*>(&f)) return std::to_string(**p);
  if (auto p = std::get_if<bool*>(&f)) return **p ? "1" : "0";
  std::snprintf(s, sizeof s, "%g", *std::get<double*>(f));
  return s;
}

void print_usage() {
  std::fputs(kUsage, stdout);
  Args defaults;
  for (const Key& k : keys_of(defaults)) {
    const std::string text = k.name + ("=" + shown(k.field));
    std::printf("  %-16s %s\n", text.c_str(), k.help);
  }
  std::fputs(kStatus, stdout);
}

// A whole number of type T in [lo, hi], the whole text.
template <typename T>
bool read_whole(std::string_view v, double lo, double hi, T& out) {
  T x{};
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
  if (ec != std::errc() || end != v.data() + v.size() || v.empty()) {
    return false;
  }
  if (hi > lo && (static_cast<double>(x) < lo || static_cast<double>(x) > hi)) {
    return false;
  }
  out = x;
  return true;
}

// A finite real in [lo, hi], the whole text.
bool read_real(const std::string& v, double lo, double hi, double& out) {
  char* end = nullptr;
  const double x = std::strtod(v.c_str(), &end);
  if (v.empty() || end != v.c_str() + v.size() || !std::isfinite(x) || x < lo ||
      x > hi) {
    return false;
  }
  out = x;
  return true;
}

// Reads `v` into the key's field. False when it is no value of the key.
bool set(const Key& k, const std::string& v) {
  const Field& f = k.field;
  if (auto p = std::get_if<std::string*>(&f)) return **p = v, true;
  if (auto p = std::get_if<int32_t*>(&f)) return read_whole(v, k.lo, k.hi, **p);
  if (auto p = std::get_if<uint64_t*>(&f)) return read_whole(v, 0, 0, **p);
  if (auto p = std::get_if<bool*>(&f)) {
    int32_t x = 0;
    if (!read_whole(v, 0, 1, x)) return false;
    return **p = x == 1, true;
  }
  return read_real(v, k.lo, k.hi, *std::get<double*>(f));
}

// The range of a key, for its message.
std::string range_of(const Key& k) {
  const Field& f = k.field;
  if (std::holds_alternative<std::string*>(f)) return "a text";
  if (std::holds_alternative<uint64_t*>(f)) return "a whole number >= 0";
  if (std::holds_alternative<bool*>(f)) return "0 or 1";
  const std::string what =
      std::holds_alternative<int32_t*>(f) ? "a whole number" : "a number";
  char s[96];
  if (k.lo == -kAny && k.hi == kAny) return what;
  if (k.hi == kAny) {
    std::snprintf(s, sizeof s, " from %g on", k.lo);
  } else {
    std::snprintf(s, sizeof s, " from %g to %g", k.lo, k.hi);
  }
  return what + s;
}

int refuse(const std::string& what) {
  return textio::refuse_argument("rsfmake", what);
}

}  // namespace

int main(int argc, char** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      print_usage();
      return 0;
    }
    if (arg == "--version") return textio::print_version("rsfmake");
    if (!arg.empty() && arg[0] == '-') return refuse("unknown option " + arg);
    const size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      return refuse("expected key=value, got \"" + arg + "\"");
    }
    const std::string name = arg.substr(0, eq), value = arg.substr(eq + 1);
    const std::vector<Key> keys = keys_of(a);
    const Key* key = nullptr;
    for (const Key& k : keys) {
      if (name == k.name) key = &k;
    }
    if (key == nullptr) return refuse("unknown key " + name);
    if (!set(*key, value)) {
      return refuse(name + "=" + value + ": " + name + " takes " +
                    range_of(*key));
    }
  }
  if (a.plan.nhts != 128 && a.plan.nhts != 256 && a.plan.nhts != 512) {
    return refuse("nhts=" + std::to_string(a.plan.nhts) +
                  ": nhts takes 128, 256 or 512");
  }
  std::string error;
  if (!rsfgen::write_sounding_series(a.plan, a.list, error)) {
    std::fprintf(stderr, "rsfmake: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
