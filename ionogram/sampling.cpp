// The time range, the grid and the sampling pass.
#include "sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "fortran_format.h"
#include "progress.h"
#include "rsffile.h"
#include "stepgrid.h"

namespace ionoscan {

namespace {

// The block (1-based) that the cursor is in.
int64_t block_of(const RsfCursor& c) {
  return static_cast<int64_t>(c.pos / kRsfBlockSize) + 1;
}

// The stop of a decoding failure `st` of file `name` at the cursor: its
// message on the run's output, the file and block on standard error.
Status decoding_stop(RsfStatus st,
                     const RsfCursor& c,
                     const RsfHeader& hdr,
                     const std::string& name,
                     std::ostream& out) {
  const std::string block = "block " + std::to_string(block_of(c));
  switch (st) {
    case RsfStatus::kNotRsf:
      say(out, rsf_message(st));
      name_file(name,
                block + " is no RSF block (format code " +
                    std::to_string(hdr.ibcd[rsfhdr::kFormat]) + ", not " +
                    std::to_string(kRsfFormatCode) + ")");
      break;
    case RsfStatus::kBadHeights:
      say(out, rsf_message(st), c.nhts);
      name_file(name,
                block + " has " + std::to_string(c.nhts) +
                    " heights (an RSF block has 128, 256 or 512)");
      break;
    default:  // a group cut short by the end of the file
      say(out, rsf_message(st));
      name_file(name, "the file ends inside a frequency group of " + block);
      break;
  }
  return stopped();
}

// False, after the message that ends the run (and the reason `why` on
// standard error), when an RSF file could not be opened or read.
bool file_read(FileStatus fs,
               const std::string& name,
               const std::string& why,
               std::ostream& out) {
  if (fs == FileStatus::kCannotOpen) {
    say(out, "error opening file " + name);
    name_file(name, why);
    return false;
  }
  if (fs == FileStatus::kReadError) {
    say(out, "error while reading header");
    name_file(name, "cannot be read: " + why);
    return false;
  }
  return true;
}

// The message of a sounding at `t` that lies on no step of the grid.
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

// Adds every accepted group of file j at time step `it`, from the cursor
// `c` (just past the file's first header) through every later block.
Status sample_groups(
    Extractor& ex, size_t j, RsfCursor& c, int32_t it, std::ostream& out) {
  for (;;) {
    const RsfStatus st = next_frgroup(c, ex.grp);
    switch (st) {
      case RsfStatus::kOk:
        break;
      case RsfStatus::kBlockEnd: {
        const RsfStatus next = next_header(c, ex.hdr);
        if (next == RsfStatus::kEndOfFile) {
          // Accepted as the file's end, but said: a block is missing.
          if (c.pos < c.bytes.size()) {
            name_file(ex.names[j],
                      "the file ends inside the header of block " +
                          std::to_string(block_of(c)) + " (" +
                          std::to_string(c.bytes.size() - c.pos) +
                          " of 60 bytes): the rest of the file is not read");
          }
          return {};
        }
        if (next == RsfStatus::kNotRsf) {
          return decoding_stop(next, c, ex.hdr, ex.names[j], out);
        }
        continue;
      }
      case RsfStatus::kTruncatedPadding:
        return input_error("ionoscan: " + ex.names[j] + ": " + rsf_message(st));
      default:  // too many heights, or a group cut short
        return decoding_stop(st, c, ex.hdr, ex.names[j], out);
    }
    ex.nsum = ex.grp.nsum;
    if (!group_accepted(ex.grp.pol, ex.ans.polmode)) continue;
    if (ex.grp.nsum > ex.nhts_bins) {
      say(out, "ERROR: nsum .gt. nhts", ex.grp.nsum, ex.nhts_bins);
      name_file(ex.names[j],
                "a group of block " + std::to_string(block_of(c)) + " has " +
                    std::to_string(ex.grp.nsum) + " heights, the sums " +
                    std::to_string(ex.nhts_bins));
      return stopped();
    }
    add_group(ex, it);
  }
}

// Samples file j, already in `bytes`: its first header, its time step and
// every group of every block.
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
    return decoding_stop(st, c, ex.hdr, ex.names[j], out);
  }
  const RsfHeader& h = ex.hdr;
  const int32_t it = ex.step_of[j];
  if (it < 1 || it > ex.ntimes) {  // 0: the walk never met its time
    say_off_grid(out, ex.names[j], {h.year, h.day, h.hour, h.minute});
    return refused();
  }
  int32_t* stamp = &ex.timearray[4 * static_cast<size_t>(it - 1)];
  stamp[0] = h.year, stamp[1] = h.day, stamp[2] = h.hour, stamp[3] = h.minute;
  ex.sampled[it - 1] = 1;
  if (h.hour == 0 && h.minute == 0) {
    say(out, "day ", h.day, "time index", it);
    out << textio::fortran_format("(A3,I2,A1,I2,A1,I2)",
                                  {"...", h.mday, "/", h.month, "/", h.year})
        << '\n';
  }
  return sample_groups(ex, j, c, it, out);
}

// Whether sampling file j writes a line of its own in a complete run: the
// day line of a sounding at 00:00, or the note on standard error that a
// file without a whole header ends the pass.
bool writes_a_line(const Extractor& ex, size_t j) {
  const GridTime& t = ex.first_time[j];
  return !ex.has_header[j] || (t.hour == 0 && t.minute == 0);
}

// The sampling pass, the files counted on `bar` (cleared before a file
// that writes a line, so that the line starts on its own).
Status sample_files(Extractor& ex,
                    std::ostream& out,
                    textio::ProgressBar& bar) {
  std::vector<uint8_t> bytes;
  for (size_t j = 0; j < ex.names.size(); ++j) {
    if (writes_a_line(ex, j)) textio::progress_clear(bar);
    std::string why;
    if (!file_read(
            read_whole_file(ex.names[j], bytes, &why), ex.names[j], why, out)) {
      return stopped();
    }
    bool stop_sampling = false;
    Status s = sample_file(ex, j, bytes, stop_sampling, out);
    if (!s.ok()) return s;
    if (stop_sampling) break;
    textio::progress_update(bar, static_cast<int64_t>(j + 1));
  }
  return {};
}

}  // namespace

// Names on standard error the RSF file of a stop whose message on the
// run's output does not name it: "ionoscan: NAME: what".
void name_file(const std::string& name, const std::string& what) {
  std::cerr << "ionoscan: " << name << ": " << what << '\n';
}

Status find_range(Extractor& ex, std::ostream& out) {
  const size_t nfiles = ex.names.size();
  ex.first_time.assign(nfiles, GridTime{});
  ex.has_header.assign(nfiles, 0);
  std::vector<uint8_t> buf;
  bool any = false;
  GridTime lo{ex.yearmin, ex.daymin, ex.hourmin, ex.minutemin};
  GridTime hi{ex.yearmax, ex.daymax, ex.hourmax, ex.minutemax};
  for (size_t j = 0; j < nfiles; ++j) {
    std::string why;
    if (!file_read(read_file_bytes(ex.names[j], kRsfHeaderSize, buf, &why),
                   ex.names[j],
                   why,
                   out)) {
      return stopped();
    }
    const RsfStatus st = read_header(buf, ex.hdr);
    if (st == RsfStatus::kEndOfFile) continue;
    if (st == RsfStatus::kNotRsf) {
      return decoding_stop(st, RsfCursor{buf}, ex.hdr, ex.names[j], out);
    }
    const GridTime t{ex.hdr.year, ex.hdr.day, ex.hdr.hour, ex.hdr.minute};
    ex.first_time[j] = t;
    ex.has_header[j] = 1;
    if (!any || t < lo) lo = t, ex.earliest = j;
    if (!any || hi < t) hi = t, ex.latest = j;
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

Status lay_grid(Extractor& ex, std::ostream& out) {
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

Status sample_all(Extractor& ex, std::ostream& out, std::FILE* progress) {
  textio::ProgressBar bar = textio::progress_bar(
      progress, "ionoscan: sampling", "files", std::ssize(ex.names));
  const Status s = sample_files(ex, out, bar);
  textio::progress_end(bar);
  return s;
}

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

}  // namespace ionoscan
