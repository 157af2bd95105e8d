// The answers of "input" and the list of RSF files.
#include "dialogue.h"

#include <cmath>
#include <iostream>
#include <string>

#include "stepgrid.h"

namespace ionoscan {

namespace {

using textio::item;

// One free-form read of an answer of "input" into `items`. False, with the
// input error in `s`, when it cannot be read.
bool read_answer(textio::LineSource& input,
                 std::initializer_list<textio::Item> items,
                 Status& s) {
  const textio::ReadResult r = textio::read_list(input, items);
  if (r.status == textio::ReadStatus::kOk) return true;
  s = input_error(textio::input_error_line(r));
  return false;
}

}  // namespace

Status read_file_list(Extractor& ex,
                      textio::LineSource& input,
                      std::ostream& out) {
  Status s;
  say(out, "enter logo");
  if (!read_answer(input, {textio::item_whole(ex.ans.logo)}, s)) return s;
  say(out, "logo is " + std::string(textio::trimmed(ex.ans.logo)));

  say(out, "enter filename containing the list of RSf files");
  if (!read_answer(input, {textio::item_whole(ex.ans.fnames_list)}, s)) {
    return s;
  }
  const std::string list_name(textio::trimmed(ex.ans.fnames_list));
  say(out, "opening " + list_name);
  textio::LineSource list;
  // An unquoted path is cut at its first slash and may name a directory:
  // no list.
  if (!textio::open_source(list, list_name)) {
    say(out, "error opening fnames_list");
    std::cerr << "ionoscan: cannot open the list file " << list_name << ": "
              << list.error << '\n';
    return stopped();
  }
  std::string line;
  textio::ReadResult r;
  while ((r = textio::read_line(list, line, textio::kWholeValue)).status ==
         textio::ReadStatus::kOk) {
    ex.names.emplace_back(textio::trimmed(line));
  }
  if (r.status == textio::ReadStatus::kError) {
    return input_error(textio::input_error_line(r));
  }
  const int32_t nfiles = static_cast<int32_t>(ex.names.size());
  say(out, "number of files=", nfiles);
  if (nfiles == 0) {
    say(out, "list is empty");
    return stopped();
  }
  return {};
}

Status read_time_step(Answers& a,
                      textio::LineSource& input,
                      std::ostream& out) {
  Status s;
  say(out, "enter timestep in minutes");
  if (!read_answer(input, {item(a.dt)}, s)) return s;
  say(out, "read", a.dt);
  if (!(std::isfinite(a.dt) && a.dt > 0.0f)) {
    say(out, "the time step must be a positive number of minutes");
    return refused();
  }
  // The grid restarts every hour: a longer step would still give every
  // hour one step, but the series would name them by the longer one.
  if (a.dt > textio::kMaxStepMinutes) {
    say(out,
        "the time step must be at most",
        textio::kMaxStepMinutes,
        "minutes: the time grid restarts at every hour");
    return refused();
  }
  return {};
}

Status read_band_count(Answers& a,
                       textio::LineSource& input,
                       std::ostream& out) {
  Status s;
  say(out, "enter number of frequency bands");
  if (!read_answer(input, {item(a.nbands)}, s)) return s;
  // No band at all is a run that writes no file; a negative count is no
  // count, and more than kMaxBands would share file names.
  if (a.nbands < 0 || a.nbands > kMaxBands) {
    say(out,
        "the number of frequency bands must be 0 to",
        kMaxBands,
        "; read",
        a.nbands);
    return refused();
  }
  return {};
}

Status read_band_options(Answers& a,
                         textio::LineSource& input,
                         std::ostream& out) {
  Status s;
  a.frange.assign(2 * static_cast<size_t>(a.nbands), 0.0);
  say(out, "will sample in the following ranges:");
  for (int32_t ib = 0; ib < a.nbands; ++ib) {
    double& lo = a.frange[2 * ib];
    double& hi = a.frange[2 * ib + 1];
    if (!read_answer(input, {item(lo), item(hi)}, s)) return s;
    say(out, lo, hi);
  }

  say(out, "Xmode(1) or Omode(2) or combined(3)?");
  if (!read_answer(input, {item(a.polmode)}, s)) return s;
  say(out, "read ", a.polmode);
  if (a.polmode < 1 || a.polmode > 3) {
    say(out, " must be 1,2, or 3!");
    return stopped();
  }
  say(out, "enter msignl");
  if (!read_answer(input, {item(a.msignl)}, s)) return s;
  say(out, "read", a.msignl);
  say(out, "enter mscale");
  if (!read_answer(input, {item(a.mscale)}, s)) return s;
  say(out, "read", a.mscale);
  say(out, "enter minh maxh");
  if (!read_answer(input, {item(a.minh), item(a.maxh)}, s)) return s;
  say(out, "read", a.minh, a.maxh);
  say(out, "enter avh");
  if (!read_answer(input, {item(a.avh)}, s)) return s;
  say(out, "read", a.avh);
  say(out, "number of maxima to plot (averaged)");
  if (!read_answer(input, {item(a.navg)}, s)) return s;
  say(out, "read", a.navg);
  if (a.navg < 1) {
    say(out, "the number of maxima to average must be at least 1");
    return refused();
  }
  return {};
}

}  // namespace ionoscan
