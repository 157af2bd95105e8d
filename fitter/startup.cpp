// Process 0's run dialogue, the parameter file and the starting state.
#include "startup.h"

#include <string>
#include <vector>

#include "freeform_out.h"
#include "lineout.h"

namespace ptfit {

namespace {

// Prints the diagnostic of a failed read. True when the read succeeded.
bool read_ok(const textio::ReadResult& r) {
  if (r.status == textio::ReadStatus::kOk) return true;
  complain(r.message);
  return false;
}

}  // namespace

Fitparam new_fitparam() {
  Fitparam p;
  p.name.assign(20, ' ');
  return p;
}

Ending run_dialogue(textio::LineSource& in,
                    std::ostream& out,
                    int32_t mpisize,
                    Global& g,
                    RunConfig& c) {
  put_line(out, textio::free_line("enter number of parameters"));
  if (!read_ok(textio::read_list(
          in, {textio::item(g.nparams), textio::item(g.nparams2)}))) {
    return Ending::kInputError;
  }
  put_line(out, textio::free_line("enter filename to read parameter details"));
  g.paramsfile.assign(200, ' ');
  if (!read_ok(textio::read_list(in, {textio::item(g.paramsfile, 200)}))) {
    return Ending::kInputError;
  }
  const Ending e = read_paramsfile(g, out);
  if (e != Ending::kGoOn) return e;

  if (!read_ok(textio::read_list(in,
                                 {textio::item(g.nblocks),
                                  textio::item(g.nmoves),
                                  textio::item(g.nskip),
                                  textio::item(c.statistics_start)})) ||
      !read_ok(textio::read_list(in, {textio::item(c.samplingtype)})) ||
      !read_ok(textio::read_list(in, {textio::item(c.chi2max)})) ||
      !read_ok(textio::read_list(in,
                                 {textio::item(c.tempering),
                                  textio::item(c.nexchange),
                                  textio::item(c.tempratio)})) ||
      !read_ok(textio::read_list(
          in, {textio::item(c.clones), textio::item(c.nclones)})) ||
      !read_ok(textio::read_list(in, {textio::item(c.scatter)}))) {
    return Ending::kInputError;
  }
  if (mpisize == 1) {
    c.tempering = false;
    c.clones = false;
    c.ntemperatures = 1;
    c.nclones = 1;
  }
  return Ending::kGoOn;
}

Ending read_paramsfile(Global& g, std::ostream& out) {
  const std::string path(textio::trimmed(g.paramsfile));
  textio::LineSource src;
  if (!textio::open_source(src, path)) {
    put_line(out, textio::free_line("error reading from paramsfile " + path));
    return Ending::kStop;
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
      put_line(out,
               textio::free_line("error: paramsfile " + path +
                                 " ended before its time"));
      return Ending::kStop;
    }
    if (!read_ok(r)) return Ending::kInputError;
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
  return Ending::kGoOn;
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
