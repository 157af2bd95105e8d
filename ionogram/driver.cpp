// The ionoscan run, phase by phase. Each phase prints its part of the
// dialogue and returns its Status: ok, or how the run ends there.
#include "driver.h"

#include <cmath>
#include <iostream>
#include <new>
#include <string>

#include "fortran_format.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "maxima.h"
#include "rsffile.h"
#include "stepgrid.h"

namespace ionoscan {

namespace {

using textio::item;

// One free-form read of an answer of "input". False, with the input error
// in `s`, when it cannot be read.
bool read_answer(textio::LineSource& input,
                 std::initializer_list<textio::Item> items,
                 Status& s) {
  const textio::ReadResult r = textio::read_list(input, items);
  if (r.status == textio::ReadStatus::kOk) return true;
  s = input_error(textio::input_error_line(r));
  return false;
}

// The answers file, the logo and the list of RSF files.
Status read_file_list(Extractor& ex,
                      textio::LineSource& input,
                      std::ostream& out) {
  if (!textio::open_source(input, "input")) {
    say(out, "error opening input");
    return stopped();
  }
  Status s;
  say(out, "enter logo");
  if (!read_answer(input, {item(ex.ans.logo, 100)}, s)) return s;
  say(out, "logo is " + std::string(textio::trimmed(ex.ans.logo)));

  say(out, "enter filename containing the list of RSf files");
  if (!read_answer(input, {item(ex.ans.fnames_list, 100)}, s)) return s;
  const std::string list_name(textio::trimmed(ex.ans.fnames_list));
  say(out, "opening " + list_name);
  textio::LineSource list;
  // An unquoted path is cut at its first slash and may name a directory:
  // no list.
  if (!textio::open_source(list, list_name)) {
    say(out, "error opening fnames_list");
    return stopped();
  }
  std::string line;
  while (textio::read_line(list, line, 100).status == textio::ReadStatus::kOk) {
    ex.names.emplace_back(textio::trimmed(line));
  }
  const int32_t nfiles = static_cast<int32_t>(ex.names.size());
  say(out, "number of files=", nfiles);
  if (nfiles == 0) {
    say(out, "list is empty");
    return stopped();
  }
  return {};
}

// False, after the message that ends the run, when an RSF file could not
// be opened or read.
bool file_read(FileStatus fs, const std::string& name, std::ostream& out) {
  if (fs == FileStatus::kCannotOpen) {
    say(out, "error opening file " + name);
    return false;
  }
  if (fs == FileStatus::kReadError) {
    say(out, "error while reading header");
    return false;
  }
  return true;
}

// The first header of every file, read once, gives the earliest
// and the latest (year, day, hour, minute). Files whose first header is
// incomplete count for nothing.
Status find_range(Extractor& ex, std::ostream& out) {
  const size_t nfiles = ex.names.size();
  ex.first_time.assign(nfiles, GridTime{});
  ex.has_header.assign(nfiles, 0);
  std::vector<uint8_t> buf;
  bool any = false;
  GridTime lo{ex.yearmin, ex.daymin, ex.hourmin, ex.minutemin};
  GridTime hi{ex.yearmax, ex.daymax, ex.hourmax, ex.minutemax};
  for (size_t j = 0; j < nfiles; ++j) {
    if (!file_read(read_file_bytes(ex.names[j], kRsfHeaderSize, buf),
                   ex.names[j],
                   out)) {
      return stopped();
    }
    const RsfStatus st = read_header(buf, ex.hdr);
    if (st == RsfStatus::kEndOfFile) continue;
    if (st == RsfStatus::kNotRsf) {
      say(out, rsf_message(st));
      return stopped();
    }
    const GridTime t{ex.hdr.year, ex.hdr.day, ex.hdr.hour, ex.hdr.minute};
    ex.first_time[j] = t;
    ex.has_header[j] = 1;
    if (!any || t < lo) lo = t;
    if (!any || hi < t) hi = t;
    any = true;
  }
  if (!any) {
    say(out, "none of the listed files holds a whole header");
    return refused();
  }
  ex.yearmin = lo.year, ex.daymin = lo.day;
  ex.hourmin = lo.hour, ex.minutemin = lo.minute;
  ex.yearmax = hi.year, ex.daymax = hi.day;
  ex.hourmax = hi.hour, ex.minutemax = hi.minute;
  say(out, "daymin, daymax:", ex.daymin, ex.daymax);
  say(out, "hourmin, hourmax:", ex.hourmin, ex.hourmax);
  say(out, "minutemin, minutemax:", ex.minutemin, ex.minutemax);
  ex.Ly = textio::year_length(ex.yearmin);
  say(out, "Ly is ", ex.Ly);
  return {};
}

void say_off_grid(std::ostream& out,
                  const std::string& name,
                  const GridTime& t) {
  say(out,
      "no time step for file " + name + " at year, day, hour, minute:",
      t.year,
      t.day,
      t.hour,
      t.minute);
}

// The time step and the grid. One walk along the grid gives
// the time step of every file.
Status lay_grid(Extractor& ex, textio::LineSource& input, std::ostream& out) {
  Status s;
  say(out, "enter timestep in minutes");
  if (!read_answer(input, {item(ex.ans.dt)}, s)) return s;
  say(out, "read", ex.ans.dt);
  if (!(std::isfinite(ex.ans.dt) && ex.ans.dt > 0.0f)) {
    say(out, "the time step must be a positive number of minutes");
    return refused();
  }

  std::vector<GridTime> times;
  std::vector<size_t> file_of;
  for (size_t j = 0; j < ex.names.size(); ++j) {
    if (!ex.has_header[j]) continue;
    times.push_back(ex.first_time[j]);
    file_of.push_back(j);
  }
  const GridTime start{ex.yearmin, ex.daymin, ex.hourmin, ex.minutemin};
  const GridTime stop{ex.yearmax, ex.daymax, ex.hourmax, ex.minutemax};
  const Placement pl = place_on_grid(start, ex.ans.dt, times, kMaxGridSteps);
  if (pl.status != GridStatus::kOk) {
    say(out,
        "the time step is too small: the time grid would exceed",
        kMaxGridSteps,
        "steps");
    return refused();
  }
  ex.step_of.assign(ex.names.size(), 0);
  for (size_t k = 0; k < times.size(); ++k) {
    ex.step_of[file_of[k]] = pl.index[k];
  }
  for (size_t k = 0; k < times.size(); ++k) {
    if (times[k] == stop) {
      ex.ntimes = pl.index[k];
      if (ex.ntimes == 0) {
        say_off_grid(out, ex.names[file_of[k]], stop);
        return refused();
      }
      break;
    }
  }
  say(out,
      "Start time:",
      ex.yearmin,
      ex.daymin,
      ex.hourmin,
      ex.minutemin,
      " time index:",
      1);
  say(out,
      "Stopt time:",
      ex.yearmax,
      ex.daymax,
      ex.hourmax,
      ex.minutemax,
      " time index:",
      ex.ntimes);
  say(out, "total number of time steps:", ex.ntimes);
  return {};
}

// Bands, polarisation, amplitude options, height window and
// the number of maxima; the result arrays.
Status read_options(Extractor& ex,
                    textio::LineSource& input,
                    std::ostream& out) {
  Answers& a = ex.ans;
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
  ex.nhts_bins = std::max(ex.hdr.nhts, 0);
  try {
    const size_t cells = static_cast<size_t>(ex.ntimes) *
                         static_cast<size_t>(ex.nhts_bins) *
                         static_cast<size_t>(a.nbands);
    ex.bins.assign(cells, 0.0);
    ex.timearray.assign(4 * static_cast<size_t>(ex.ntimes), 0);
  } catch (const std::bad_alloc&) {
    say(out,
        "not enough memory for the sums of",
        ex.ntimes,
        "time steps,",
        ex.nhts_bins,
        "heights and",
        a.nbands,
        "bands");
    return refused();
  }
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

// Samples one file already in `bytes`: its first header, its time
// step and every group of every block.
Status sample_file(Extractor& ex,
                   size_t j,
                   std::span<const uint8_t> bytes,
                   bool& stop_sampling,
                   std::ostream& out) {
  RsfCursor c{bytes};
  RsfStatus st = next_header(c, ex.hdr);
  if (st == RsfStatus::kEndOfFile) {
    // The run goes on with what was sampled; say why the rest is missing
    // (on standard error, apart from the dialogue).
    std::cerr << "ionoscan: " << ex.names[j] << ": " << bytes.size()
              << " bytes, no whole header: sampling ends here, "
              << ex.names.size() - j - 1 << " later file(s) not read\n";
    stop_sampling = true;
    return {};
  }
  if (st == RsfStatus::kNotRsf) {
    say(out, rsf_message(st));
    return stopped();
  }
  const RsfHeader& h = ex.hdr;
  const int32_t it = ex.step_of[j];
  if (it < 1 || it > ex.ntimes) {  // 0: the walk never met its time
    say_off_grid(out, ex.names[j], {h.year, h.day, h.hour, h.minute});
    return refused();
  }
  int32_t* stamp = &ex.timearray[4 * static_cast<size_t>(it - 1)];
  stamp[0] = h.year, stamp[1] = h.day, stamp[2] = h.hour, stamp[3] = h.minute;
  if (h.hour == 0 && h.minute == 0) {
    say(out, "day ", h.day, "time index", it);
    out << textio::fortran_format("(A3,I2,A1,I2,A1,I2)",
                                  {"...", h.mday, "/", h.month, "/", h.year})
        << '\n';
  }

  for (;;) {
    st = next_frgroup(c, ex.grp);
    switch (st) {
      case RsfStatus::kOk:
        break;
      case RsfStatus::kBlockEnd:
        st = next_header(c, ex.hdr);
        if (st == RsfStatus::kEndOfFile) return {};
        if (st == RsfStatus::kNotRsf) {
          say(out, rsf_message(st));
          return stopped();
        }
        continue;
      case RsfStatus::kBadHeights:
        say(out, rsf_message(st), c.nhts);
        return stopped();
      case RsfStatus::kTruncatedPadding:
        return input_error("ionoscan: " + ex.names[j] + ": " + rsf_message(st));
      default:  // a group cut short by the end of the file
        say(out, rsf_message(st));
        return stopped();
    }
    ex.nsum = ex.grp.nsum;
    if (!group_accepted(ex.grp.pol, ex.ans.polmode)) continue;
    if (ex.grp.nsum > ex.nhts_bins) {
      say(out, "ERROR: nsum .gt. nhts", ex.grp.nsum, ex.nhts_bins);
      return stopped();
    }
    add_group(ex, it);
  }
}

// Samples every file, in list order, until one has no whole first header.
Status sample_all(Extractor& ex, std::ostream& out) {
  std::vector<uint8_t> bytes;
  for (size_t j = 0; j < ex.names.size(); ++j) {
    if (!file_read(read_whole_file(ex.names[j], bytes), ex.names[j], out)) {
      return stopped();
    }
    bool stop_sampling = false;
    Status s = sample_file(ex, j, bytes, stop_sampling, out);
    if (!s.ok()) return s;
    if (stop_sampling) break;
  }
  return {};
}

// The last checks (heights of the last group against the last header, the
// height window), then the output.
Status finish(Extractor& ex, std::ostream& out) {
  if (ex.nsum > ex.hdr.nhts) {
    say(out, "ERROR: nsum .gt. nhts", ex.nsum, ex.hdr.nhts);
    return stopped();
  }
  const Answers& a = ex.ans;
  const int32_t n = static_cast<int32_t>(
      window_indices(ex.hdr.h0, ex.hdr.hstep, ex.nsum, a.minh, a.maxh).size());
  if (a.nbands > 0 && (n < 2 || n < a.navg)) {
    say(out,
        "height window",
        a.minh,
        a.maxh,
        "holds",
        n,
        "heights; it needs at least 2 and at least",
        a.navg,
        "(the number of maxima to average)");
    return refused();
  }
  say(out, "finished sampling");
  return plotmaxima(ex, out);
}

}  // namespace

float gain_factor(int32_t gain, float atten) {
  const float e = -(3.0f * static_cast<float>(gain) + atten) / 20.0f;
  return std::pow(10.0f, e);
}

void add_group(Extractor& ex, int32_t it) {
  const FrGroup& g = ex.grp;
  const Answers& a = ex.ans;
  const float gainfac = gain_factor(g.gain, ex.hdr.atten);
  // w(ih) = a(ih) gainfac, a the amplitude less mps (msignl 0), or 1
  // (mscale 0); product in 32-bit reals.
  float w[kRsfMaxHeights];
  for (int32_t ih = 0; ih < g.nsum; ++ih) {
    float v = static_cast<float>(g.amp[ih]);
    if (a.msignl == 0) v = v - g.mps;
    if (a.mscale == 0) v = 1.0f;
    w[ih] = v * gainfac;
  }
  const double f = g.fMhz;
  for (int32_t ib = 1; ib <= a.nbands; ++ib) {
    if (!(a.frange[2 * (ib - 1)] <= f && f < a.frange[2 * (ib - 1) + 1])) {
      continue;
    }
    double* row = &ex.bins[bins_at(ex, it, 1, ib)];
    for (int32_t ih = 0; ih < g.nsum; ++ih)
      row[ih] += static_cast<double>(w[ih]);
  }
}

Status run_ionoscan(std::ostream& out) {
  Extractor ex;
  textio::LineSource input;
  Status s = read_file_list(ex, input, out);
  if (s.ok()) s = find_range(ex, out);
  if (s.ok()) s = lay_grid(ex, input, out);
  if (s.ok()) s = read_options(ex, input, out);
  if (s.ok()) s = sample_all(ex, out);
  if (s.ok()) s = finish(ex, out);
  out.flush();
  return s;
}

}  // namespace ionoscan
