// Data input of the fitter (`readdata`): the data dialogue, the window
// selection over a series file and the storing of the selected points.
#include <cmath>
#include <ostream>
#include <vector>

#include "freeform_out.h"
#include "getdata.h"
#include "series.h"
#include "status.h"
#include "stepgrid.h"

namespace ptfit {

namespace {

enum class Next { kRecord, kEnd, kBad };

// Takes the next line of the data file as one series record: 8 values, and
// whatever follows them is ignored. A line that does not start with one
// record of 8 values (a blank one included) is refused, naming file and
// line.
Next next_record(textio::LineSource& file,
                 textio::SeriesRecord& rec,
                 Status& err) {
  std::string line, why;
  if (!textio::next_line(file, line)) {
    if (file.error.empty()) return Next::kEnd;
    err = Status::input_error(file.error);
    return Next::kBad;
  }
  if (textio::parse_series_line(
          line, rec, why, textio::AfterRecord::kAnything)) {
    return Next::kRecord;
  }
  err = Status::input_error(file.name + ", line " +
                            std::to_string(file.lineno) + ": " + why);
  return Next::kBad;
}

// "year Y, day D, hour H, minute M".
std::string stamp(int32_t y, int32_t d, int32_t h, int32_t m) {
  return "year " + std::to_string(y) + ", day " + std::to_string(d) +
         ", hour " + std::to_string(h) + ", minute " + std::to_string(m);
}

// "error: line J of FILE (year Y, day D, hour H, minute M)".
std::string record_where(const textio::SeriesRecord& rec,
                         long j,
                         const std::string& file_name) {
  return "error: line " + std::to_string(j) + " of " + file_name + " (" +
         stamp(rec.year, rec.day, rec.hour, rec.minute) + ")";
}

// Why the selected record on line `j` got no step number.
std::string off_grid_message(const TimeGrid& w,
                             const textio::SeriesRecord& rec,
                             long j,
                             const std::string& file_name) {
  const std::string where = record_where(rec, j, file_name);
  const std::string step = textio::ff_real32(w.timestep);
  if (!(w.timestep > 0) || !std::isfinite(w.timestep)) {
    return where + " has the time step " + step +
           "; it must be a positive number of minutes";
  }
  return where + " lies on no time step of the window (from " +
         stamp(w.year1, w.day1, w.hour1, w.minute1) + " in steps of " + step +
         " minutes)";
}

// The window selection pass: marks the selected lines in `list` (1-based
// line numbers, index line-1), echoes them and counts the skipped records
// without a sounding. On an unreadable record fills `err`.
struct Selection {
  int32_t ndata = 0;
  int32_t skipped = 0;
};

bool select_window(textio::LineSource& file,
                   const Data& d,
                   long nlines,
                   std::vector<char>& list,
                   Selection& sel,
                   std::ostream& out,
                   Status& err) {
  const TimeGrid& w = d.window;
  bool started = false;
  for (long j = 1; j <= nlines; ++j) {
    textio::SeriesRecord rec;
    const Next got = next_record(file, rec, err);
    if (got == Next::kEnd) break;
    if (got == Next::kBad) return false;
    const int32_t y = rec.year, dd = rec.day, h = rec.hour, m = rec.minute;
    // A step without a sounding carries no time: it neither starts nor
    // ends the window and is no data point.
    if (y == 0 && dd == 0) {
      if (started) ++sel.skipped;
      continue;
    }
    if (!started) {
      started = y == w.year1 && dd == w.day1 &&
                ((h == w.hour1 && m >= w.minute1) || h > w.hour1);
    }
    if (started) {
      const bool stopped =
          y > d.year2 ||
          (y == d.year2 &&
           (dd > d.day2 ||
            (dd == d.day2 &&
             (h > d.hour2 || (h == d.hour2 && m >= d.minute2)))));
      if (stopped) break;
      ++sel.ndata;
      list[j - 1] = 1;
      out << textio::free_line(y, dd, h, m) << '\n';
    }
  }
  return true;
}

// The data dialogue: model type, data directory, file name and window,
// read into `d` and echoed on `out`; the window start's year length.
Status data_dialogue(Data& d, textio::LineSource& in, std::ostream& out) {
  using textio::free_line;
  using textio::item;
  out << free_line("enter modeltype") << '\n';
  Status s = read_answer(in, {item(d.modeltype)});
  if (!s.ok()) return s;
  out << free_line("read", d.modeltype) << '\n';
  out << free_line("enter directory where data is located") << '\n';
  s = read_answer(in, {textio::item_whole(d.datadir)});
  if (!s.ok()) return s;
  out << free_line("read " + std::string(textio::trimmed(d.datadir))) << '\n';
  out << free_line("enter filename,year,yearday,startread, stopread") << '\n';
  TimeGrid& w = d.window;
  s = read_answers(
      in,
      {{textio::item_whole(d.datafiles)},
       {item(w.year1), item(w.day1), item(w.hour1), item(w.minute1)},
       {item(d.year2), item(d.day2), item(d.hour2), item(d.minute2)}});
  if (!s.ok()) return s;
  out << free_line("Will look for the range:") << '\n';
  out << free_line(w.year1, w.day1, w.hour1, w.minute1) << '\n';
  out << free_line(d.year2, d.day2, d.hour2, d.minute2) << '\n';
  w.ly = textio::year_length(w.year1);
  return s;
}

// The storing pass over `file` (rewound): every record's time step goes to
// the window, and the lines marked in `list` become points 1..k of `d`,
// their time the step number on the window's grid in hours. A marked record
// on no step of the grid, or whose time step exceeds an hour, stops the
// load.
Status store_points(textio::LineSource& file,
                    Data& d,
                    const std::vector<char>& list,
                    const std::string& file_name,
                    int32_t& k) {
  TimeGrid& w = d.window;
  Status err;
  k = 0;
  for (long j = 1; j <= static_cast<long>(list.size()); ++j) {
    textio::SeriesRecord rec;
    const Next got = next_record(file, rec, err);
    if (got == Next::kEnd) break;
    if (got == Next::kBad) return err;
    w.timestep = rec.timestep;
    if (list[j - 1] == 0) continue;
    if (std::isfinite(w.timestep) && w.timestep > textio::kMaxStepMinutes) {
      // Every hour of such a series has one step, named by the longer one.
      return Status::stop(
          record_where(rec, j, file_name) + " has the time step " +
          textio::ff_real32(w.timestep) + "; it must be at most " +
          std::to_string(textio::kMaxStepMinutes) +
          " minutes, as the time grid restarts every hour");
    }
    const int32_t n = itime(w, rec.year, rec.day, rec.hour, rec.minute);
    if (n == 0) return Status::stop(off_grid_message(w, rec, j, file_name));
    // t = timestep (n - 1) / 60 hours, in single precision
    const float t = (static_cast<float>(n) - 1.0f) * w.timestep / 60.0f;
    ++k;
    simdata(d, k, 1) = static_cast<double>(t);
    simdata(d, k, 2) = rec.value;
    simdata(d, k, 3) = rec.sigma;
  }
  return {};
}

// The load of the window answered in `d`: opens the file, counts its lines,
// selects the window, stores its points and lists them on `out`.
Status load_window(Global& g, Data& d, std::ostream& out) {
  using textio::free_line;
  const std::string dir(textio::trimmed(d.datadir));
  const std::string file(textio::trimmed(d.datafiles));
  const std::string file_name = dir + file;
  textio::LineSource src;
  if (!textio::open_source(src, file_name)) {
    return Status::stop("error opening file " + file_name,
                        "ptfit: cannot open " + file_name + ": " + src.error);
  }

  const long nlines = textio::count_record_lines(src);
  if (!src.error.empty()) return Status::input_error(src.error);
  out << free_line("number of lines:", nlines) << '\n';
  std::vector<char> list(static_cast<size_t>(nlines), 0);

  Selection sel;
  Status err;
  if (!select_window(src, d, nlines, list, sel, out, err)) return err;
  if (sel.skipped > 0) {
    out << free_line("empty records skipped (steps without a sounding):",
                     sel.skipped)
        << '\n';
  }
  if (sel.ndata == 0) {
    g.stoprun = 1;
    return Status::stop("datafile " + file +
                        " does not have any values in the requested timerange");
  }

  textio::rewind(src);
  d.ndata = sel.ndata;
  d.simdata.assign(3 * static_cast<size_t>(d.ndata), 0.0);
  out << free_line("memory allocated for simulation data ") << '\n';
  out << free_line("looking in directory " + dir) << '\n';
  out << free_line("opening file " + file_name) << '\n';
  int32_t k = 0;
  err = store_points(src, d, list, file_name, k);
  if (!err.ok()) return err;

  out << free_line("read ", k, " simulation data:") << '\n';
  for (int32_t i = 1; i <= k; ++i) {
    out << free_line(simdata(d, i, 1), simdata(d, i, 2), simdata(d, i, 3))
        << '\n';
  }
  out << free_line("exiting readdata") << '\n';
  if (k != d.ndata) return Status::stop("error in readdata");
  return err;
}

}  // namespace

Status readdata(Global& g, Data& d, textio::LineSource& in, std::ostream& out) {
  const Status s = data_dialogue(d, in, out);
  if (!s.ok()) return s;
  return load_window(g, d, out);
}

}  // namespace ptfit
