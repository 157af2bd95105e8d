// Process 0's run dialogue, the parameter file and the starting state.
#include "startup.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "freeform_out.h"
#include "lineout.h"

namespace ptfit {

Fitparam new_fitparam() {
  Fitparam p;
  p.name.assign(20, ' ');
  return p;
}

Status run_dialogue(textio::LineSource& in,
                    std::ostream& out,
                    int32_t mpisize,
                    Global& g,
                    RunConfig& c) {
  using textio::item;
  put_line(out, textio::free_line("enter number of parameters"));
  Status s = read_answer(in, {item(g.nparams), item(g.nparams2)});
  if (!s.ok()) return s;
  put_line(out, textio::free_line("enter filename to read parameter details"));
  g.paramsfile.clear();
  s = read_answer(in, {textio::item_whole(g.paramsfile)});
  if (!s.ok()) return s;
  s = read_paramsfile(g);
  if (!s.ok()) return s;

  s = read_answers(in,
                   {{item(g.nblocks),
                     item(g.nmoves),
                     item(g.nskip),
                     item(c.statistics_start)},
                    {item(c.samplingtype)},
                    {item(c.chi2max)},
                    {item(c.tempering), item(c.nexchange), item(c.tempratio)},
                    {item(c.clones), item(c.nclones)},
                    {item(c.scatter)}});
  if (!s.ok()) return s;
  if (mpisize == 1) {
    c.tempering = false;
    c.clones = false;
    c.ntemperatures = 1;
    c.nclones = 1;
  }
  return s;
}

Status read_paramsfile(Global& g) {
  const std::string path(textio::trimmed(g.paramsfile));
  textio::LineSource src;
  if (!textio::open_source(src, path)) {
    return Status::stop(
        "error reading from paramsfile " + path,
        "ptfit: cannot open the parameter file " + path + ": " + src.error);
  }
  // The records are read before the table (about 160 kB a record) is
  // made, so that a count far beyond the file's records costs nothing.
  struct Entry {
    std::string name;
    double low = 0;
    double high = 0;
  };
  std::vector<Entry> entries;
  for (int32_t i = 1; i <= g.nparams; ++i) {
    Entry e;
    e.name.assign(20, ' ');
    const textio::ReadResult r = textio::read_list(
        src,
        {textio::item(e.name, 20), textio::item(e.low), textio::item(e.high)});
    if (r.status == textio::ReadStatus::kEof) {
      return Status::stop("error: paramsfile " + path +
                          " ended before its time");
    }
    if (r.status != textio::ReadStatus::kOk) return read_status(r);
    entries.push_back(std::move(e));
  }
  g.fitparams.clear();
  g.fitparams.reserve(entries.size());
  for (const Entry& e : entries) {
    Fitparam p = new_fitparam();
    p.name = e.name;
    p.range = {e.low, e.high};
    g.fitparams.push_back(std::move(p));
  }
  return {};
}

bool check_ranges(const Global& g, std::string& message) {
  for (const Fitparam& p : g.fitparams) {
    if (p.range[0] > p.range[1]) {
      message = "ERROR: parameter " + std::string(textio::trimmed(p.name)) +
                " has the lower bound " + textio::ff_real64(p.range[0]) +
                " above its upper bound " + textio::ff_real64(p.range[1]);
      return false;
    }
  }
  return true;
}

bool is_period(int32_t modeltype, int32_t j) {
  switch (modeltype) {
    case 1:
      return j >= 3 && (j - 3) % 3 == 0;
    case 2:
    case 3:
      return j == 2;
    case 4:
      return j >= 3 && ((j - 2) % 5 == 1 || (j - 2) % 5 == 3);
    default:
      return false;
  }
}

namespace {

// Why `name` (trailing blanks removed) cannot name a file NAME.bin in the
// working folder, or "" when it can.
std::string not_a_file_name(std::string_view name) {
  if (name.empty()) return "it is empty";
  if (name == "." || name == "..") return "it is . or ..";
  if (name.find('/') != std::string_view::npos) return "it holds a slash";
  if (name.find('\0') != std::string_view::npos) return "it holds a NUL";
  return "";
}

}  // namespace

bool check_parameters(int32_t modeltype,
                      const Global& g,
                      std::string& message) {
  using textio::ff_real64;
  for (size_t i = 0; i < g.fitparams.size(); ++i) {
    const Fitparam& p = g.fitparams[i];
    const std::string name(textio::trimmed(p.name));
    std::string shown = name;  // a NUL is shown as \0
    for (size_t at; (at = shown.find('\0')) != std::string::npos;) {
      shown.replace(at, 1, "\\0");
    }
    const std::string which =
        "ERROR: parameter " + std::to_string(i + 1) + " (" + shown + ")";
    const double lo = p.range[0], hi = p.range[1];
    const std::string bounds = ff_real64(lo) + " and " + ff_real64(hi);
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
      message = which + " has the bounds " + bounds +
                ": bounds must be finite numbers";
      return false;
    }
    if (!std::isfinite(hi - lo) || !std::isfinite(lo + hi)) {
      message = which + " has the bounds " + bounds +
                ": too large to compute with (the width or the centre of "
                "the range is not a finite number)";
      return false;
    }
    if (is_period(modeltype, static_cast<int32_t>(i + 1)) && lo <= 0 &&
        0 <= hi) {
      message = which + " is a period of modeltype " +
                std::to_string(modeltype) + " and its range from " +
                ff_real64(lo) + " to " + ff_real64(hi) + " includes 0";
      return false;
    }
    const std::string why = not_a_file_name(name);
    if (!why.empty()) {
      message = which + " cannot name its histogram file NAME.bin: " + why;
      return false;
    }
    for (size_t k = 0; k < i; ++k) {
      if (textio::trimmed(g.fitparams[k].name) == name) {
        message = "ERROR: parameters " + std::to_string(k + 1) + " and " +
                  std::to_string(i + 1) + " have the same name " + name +
                  ": their histograms would overwrite each other";
        return false;
      }
    }
  }
  return true;
}

bool check_run_config(const RunConfig& c, std::string& message) {
  if (!std::isfinite(c.chi2max)) {
    message = "ERROR: chi2max " + textio::ff_real64(c.chi2max) +
              ": the chi-square histogram needs a finite upper end";
    return false;
  }
  if (c.tempering && !(std::isfinite(c.tempratio) && c.tempratio > 0)) {
    message = "ERROR: tempratio " + textio::ff_real64(c.tempratio) +
              ": the temperatures of a ladder need a positive finite ratio";
    return false;
  }
  if (c.tempering && c.nexchange < 1) {
    message = "ERROR: nexchange " + std::to_string(c.nexchange) +
              ": exchanges need at least 1 move between two attempts";
    return false;
  }
  return true;
}

bool layout_ladders(int32_t mpisize, RunConfig& c) {
  if (c.nclones <= 0) return false;
  const int32_t nt = mpisize / c.nclones;
  if (nt * c.nclones != mpisize) return false;
  c.ntemperatures = nt;
  if (c.ntemperatures == mpisize) c.clones = false;
  if (c.nclones == mpisize) c.tempering = false;
  return true;
}

void place_in_ladder(int32_t mpiid, RunConfig& c) {
  c.colour = mpiid / c.ntemperatures;
  c.subrank = mpiid % c.ntemperatures;
}

void init_parameters(Global& g, const RunConfig& c) {
  for (Fitparam& p : g.fitparams) {
    const double lo = p.range[0];
    const double hi = p.range[1];
    p.spare = 0;
    p.maxstep = (hi - lo) / 100;
    for (int i = 1; i <= kNbins; ++i) {
      hist_count(p, i) = 0;
      hist_pos(p, i) = (hi - lo) * (i - 1) / 9999 + lo;
    }
    p.value = (lo + hi) / 2;
    p.avval = 0;
    p.sigmaval = 0;
  }
  g.avchi2 = 0;
  g.sigmachi2 = 0;
  for (int i = 1; i <= kNbins; ++i) {
    g.chi2bin[i - 1] = c.chi2max * (i - 1) / 9999;
    g.chi2bin[kNbins + i - 1] = 0;
  }
}

}  // namespace ptfit
