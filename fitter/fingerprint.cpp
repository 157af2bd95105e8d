// The fingerprint of a run and how two of them differ.
#include "fingerprint.h"

#include <bit>
#include <string_view>

#include "freeform_in.h"
#include "freeform_out.h"

namespace ptfit {

namespace {

std::string logical(bool v) { return v ? "T" : "F"; }

std::string four(int32_t a, int32_t b, int32_t c, int32_t d) {
  return std::to_string(a) + ' ' + std::to_string(b) + ' ' + std::to_string(c) +
         ' ' + std::to_string(d);
}

uint64_t data_hash(const Data& d) {
  ByteWriter w;
  put_i32(w, d.modeltype);
  put_i32(w, d.ndata);
  for (double v : d.simdata) put_f64(w, v);
  return fnv1a(w.bytes);
}

std::string range_text(const ParamRecord& p) {
  return textio::ff_real64(p.low) + " to " + textio::ff_real64(p.high);
}

std::string params_difference(const std::vector<ParamRecord>& there,
                              const std::vector<ParamRecord>& now) {
  if (there.size() != now.size()) {
    return "the parameter file gives " + std::to_string(there.size()) +
           " parameters in the checkpoint and " + std::to_string(now.size()) +
           " now";
  }
  for (size_t j = 0; j < now.size(); ++j) {
    const std::string which = "parameter " + std::to_string(j + 1) + " (" +
                              std::string(textio::trimmed(now[j].name)) + ")";
    if (there[j].name != now[j].name) {
      return "the parameter file differs: " + which + " is named " +
             std::string(textio::trimmed(there[j].name)) + " in the checkpoint";
    }
    if (std::bit_cast<uint64_t>(there[j].low) !=
            std::bit_cast<uint64_t>(now[j].low) ||
        std::bit_cast<uint64_t>(there[j].high) !=
            std::bit_cast<uint64_t>(now[j].high)) {
      return "the parameter file differs: " + which + " has the range " +
             range_text(there[j]) + " in the checkpoint and " +
             range_text(now[j]) + " now";
    }
  }
  return "";
}

}  // namespace

Fingerprint fingerprint_of(const Global& g,
                           const RunConfig& c,
                           const Data& d,
                           const std::string& seed) {
  using textio::ff_real64;
  const auto name = [](const std::string& s) {
    return std::string(textio::trimmed(s));
  };
  const TimeGrid& w = d.window;
  Fingerprint f;
  f.answers = {
      {"modeltype", std::to_string(d.modeltype)},
      {"directory", name(d.datadir)},
      {"series file", name(d.datafiles)},
      {"window start", four(w.year1, w.day1, w.hour1, w.minute1)},
      {"window end", four(d.year2, d.day2, d.hour2, d.minute2)},
      {"nparams", std::to_string(g.nparams)},
      {"nparams2", std::to_string(g.nparams2)},
      {"paramsfile", name(g.paramsfile)},
      {"nblocks", std::to_string(g.nblocks)},
      {"nmoves", std::to_string(g.nmoves)},
      {"nskip", std::to_string(g.nskip)},
      {"statistics_start", std::to_string(c.statistics_start)},
      {"samplingtype", std::to_string(c.samplingtype)},
      {"chi2max", ff_real64(c.chi2max)},
      {"tempering", logical(c.tempering)},
      {"nexchange", std::to_string(c.nexchange)},
      {"tempratio", ff_real64(c.tempratio)},
      {"clones", logical(c.clones)},
      {"nclones", std::to_string(c.nclones)},
      {"scatter", logical(c.scatter)},
  };
  f.seed = seed;
  f.ndata = d.ndata;
  f.data = data_hash(d);
  for (const Fitparam& p : g.fitparams) {
    f.params.push_back({p.name, p.range[0], p.range[1]});
  }
  return f;
}

std::string fingerprint_difference(const Fingerprint& there,
                                   const Fingerprint& now) {
  for (size_t i = 0; i < now.answers.size(); ++i) {
    const auto& [key, value] = now.answers[i];
    const std::string was =
        i < there.answers.size() ? there.answers[i].second : "missing";
    if (was != value) {
      return "the answer " + key + " is " + was + " in the checkpoint and " +
             value + " now";
    }
  }
  if (now.seed != "clock" && now.seed != there.seed) {
    return "--seed " + now.seed + " asks for another run: the checkpoint's " +
           "was seeded " +
           (there.seed == "clock" ? "from the clock" : "with " + there.seed);
  }
  if (now.ndata != there.ndata || now.data != there.data) {
    return "the data of the window differ: " + std::to_string(there.ndata) +
           " points in the checkpoint and " + std::to_string(now.ndata) +
           " now" + (now.ndata == there.ndata ? ", of other values" : "");
  }
  return params_difference(there.params, now.params);
}

void put_fingerprint(ByteWriter& w, const Fingerprint& f) {
  put_u32(w, uint32_t(f.answers.size()));
  for (const auto& [key, value] : f.answers) {
    put_text(w, key);
    put_text(w, value);
  }
  put_text(w, f.seed);
  put_i32(w, f.ndata);
  put_u64(w, f.data);
  put_u32(w, uint32_t(f.params.size()));
  for (const ParamRecord& p : f.params) {
    put_text(w, p.name);
    put_f64(w, p.low);
    put_f64(w, p.high);
  }
}

Fingerprint get_fingerprint(ByteReader& r) {
  Fingerprint f;
  const uint32_t nanswers = get_u32(r);
  for (uint32_t i = 0; i < nanswers && !r.failed; ++i) {
    std::string key = get_text(r);
    f.answers.emplace_back(std::move(key), get_text(r));
  }
  f.seed = get_text(r);
  f.ndata = get_i32(r);
  f.data = get_u64(r);
  const uint32_t nparams = get_u32(r);
  for (uint32_t i = 0; i < nparams && !r.failed; ++i) {
    ParamRecord p;
    p.name = get_text(r);
    p.low = get_f64(r);
    p.high = get_f64(r);
    f.params.push_back(std::move(p));
  }
  return f;
}

}  // namespace ptfit
