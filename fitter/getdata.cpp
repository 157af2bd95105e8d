// The fitter's data and model: window selection and reading of a series
// file, the step grid of the window, the chi-square of the four models and
// the parameter-count check. Normal deviates are in the second half.
#include "getdata.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "freeform_out.h"
#include "series.h"
#include "stepgrid.h"

namespace ptfit {

namespace {

enum class Next { kRecord, kEnd, kBad };

// Takes the next line of the data file as one series record. A line that
// is not exactly one record of 8 values is refused, naming file and line.
Next next_record(textio::LineSource& file,
                 textio::SeriesRecord& rec,
                 ReadDataResult& err) {
  std::string line, why;
  if (!textio::next_line(file, line)) return Next::kEnd;
  if (textio::parse_series_line(line, rec, why)) return Next::kRecord;
  err = {ReadOutcome::kInputError,
         file.name + ", line " + std::to_string(file.lineno) + ": " + why};
  return Next::kBad;
}

ReadDataResult input_error(const textio::ReadResult& r) {
  return {ReadOutcome::kInputError, r.message};
}

// Why the selected record on line `j` got no step number.
std::string off_grid_message(const TimeGrid& w,
                             const textio::SeriesRecord& rec,
                             long j,
                             const std::string& file_name) {
  auto stamp = [](int32_t y, int32_t d, int32_t h, int32_t m) {
    return "year " + std::to_string(y) + ", day " + std::to_string(d) +
           ", hour " + std::to_string(h) + ", minute " + std::to_string(m);
  };
  const std::string where =
      "error: line " + std::to_string(j) + " of " + file_name + " (" +
      stamp(rec.year, rec.day, rec.hour, rec.minute) + ")";
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
                   ReadDataResult& err) {
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

}  // namespace

ReadDataResult readdata(Global& g,
                        Data& d,
                        textio::LineSource& in,
                        std::ostream& out) {
  using textio::free_line;
  using textio::item;
  using textio::trimmed;
  const auto ok = textio::ReadStatus::kOk;
  textio::ReadResult r;

  out << free_line("enter modeltype") << '\n';
  if ((r = textio::read_list(in, {item(d.modeltype)})).status != ok) {
    return input_error(r);
  }
  out << free_line("read", d.modeltype) << '\n';
  out << free_line("enter directory where data is located") << '\n';
  if ((r = textio::read_list(in, {item(d.datadir, 200)})).status != ok) {
    return input_error(r);
  }
  const std::string dir(trimmed(d.datadir));
  out << free_line("read " + dir) << '\n';
  out << free_line("enter filename,year,yearday,startread, stopread") << '\n';
  TimeGrid& w = d.window;
  if ((r = textio::read_list(in, {item(d.datafiles, 200)})).status != ok ||
      (r = textio::read_list(
           in, {item(w.year1), item(w.day1), item(w.hour1), item(w.minute1)}))
              .status != ok ||
      (r = textio::read_list(
           in, {item(d.year2), item(d.day2), item(d.hour2), item(d.minute2)}))
              .status != ok) {
    return input_error(r);
  }
  out << free_line("Will look for the range:") << '\n';
  out << free_line(w.year1, w.day1, w.hour1, w.minute1) << '\n';
  out << free_line(d.year2, d.day2, d.hour2, d.minute2) << '\n';
  w.ly = textio::year_length(w.year1);

  const std::string file_name = dir + std::string(trimmed(d.datafiles));
  textio::LineSource file;
  if (!textio::open_source(file, file_name)) {
    out << free_line("error opening file " + file_name) << '\n';
    return {ReadOutcome::kStop, {}};
  }

  const long nlines = textio::count_lines(file);
  out << free_line("number of lines:", nlines) << '\n';
  std::vector<char> list(static_cast<size_t>(nlines), 0);

  Selection sel;
  ReadDataResult err;
  if (!select_window(file, d, nlines, list, sel, out, err)) return err;
  if (sel.skipped > 0) {
    out << free_line("empty records skipped (steps without a sounding):",
                     sel.skipped)
        << '\n';
  }
  if (sel.ndata == 0) {
    out << free_line("datafile " + std::string(trimmed(d.datafiles)) +
                     " does not have any values in the requested timerange")
        << '\n';
    g.stoprun = 1;
    return {ReadOutcome::kNoData, {}};
  }

  textio::rewind(file);
  d.ndata = sel.ndata;
  d.simdata.assign(3 * static_cast<size_t>(d.ndata), 0.0);
  out << free_line("memory allocated for simulation data ") << '\n';
  out << free_line("looking in directory " + dir) << '\n';
  out << free_line("opening file " + file_name) << '\n';

  int32_t k = 0;
  for (long j = 1; j <= nlines; ++j) {
    textio::SeriesRecord rec;
    const Next got = next_record(file, rec, err);
    if (got == Next::kEnd) break;
    if (got == Next::kBad) return err;
    w.timestep = rec.timestep;
    if (list[j - 1] == 0) continue;
    const int32_t n = itime(w, rec.year, rec.day, rec.hour, rec.minute);
    if (n == 0) {
      out << free_line(off_grid_message(w, rec, j, file_name)) << '\n';
      return {ReadOutcome::kStop, {}};
    }
    // t = timestep (n - 1) / 60 hours, in single precision
    const float t = (static_cast<float>(n) - 1.0f) * w.timestep / 60.0f;
    ++k;
    simdata(d, k, 1) = static_cast<double>(t);
    simdata(d, k, 2) = rec.value;
    simdata(d, k, 3) = rec.sigma;
  }

  out << free_line("read ", k, " simulation data:") << '\n';
  for (int32_t i = 1; i <= k; ++i) {
    out << free_line(simdata(d, i, 1), simdata(d, i, 2), simdata(d, i, 3))
        << '\n';
  }
  out << free_line("exiting readdata") << '\n';
  if (k != d.ndata) {
    out << free_line("error in readdata") << '\n';
    return {ReadOutcome::kStop, {}};
  }
  return {};
}

namespace {

// The step count's running time: a point of the series grid and its step
// number.
struct Walk {
  textio::GridPoint p;
  int64_t count;
};

enum class Found { kMet, kPassed, kNext, kStall };

// Compares the running time with the target (components truncated) and,
// when it is neither met nor passed, advances it by one step.
Found walk_step(Walk& w,
                float ts,
                int32_t year,
                int32_t day,
                int32_t hour,
                int32_t minute) {
  const int32_t ry = static_cast<int32_t>(w.p.year);
  const int32_t rd = static_cast<int32_t>(w.p.day);
  const int32_t rh = static_cast<int32_t>(w.p.hour);
  const int32_t rm = static_cast<int32_t>(w.p.minute);
  if (ry == year && rd == day && rh == hour && rm == minute) {
    return Found::kMet;
  }
  // The running time only grows: once it is past the target (as an ordered
  // tuple), the target is on no step.
  const bool passed =
      ry > year ||
      (ry == year &&
       (rd > day || (rd == day && (rh > hour || (rh == hour && rm > minute)))));
  if (passed) return Found::kPassed;
  if (w.p.minute + ts == w.p.minute) return Found::kStall;  // too small a step
  textio::grid_advance(w.p, ts);
  w.count = w.count + 1;
  return Found::kNext;
}

constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

bool valid_step(float ts) { return ts > 0 && std::isfinite(ts); }

Walk walk_start(const TimeGrid& g) {
  return {textio::grid_start(g.year1, g.day1, g.hour1, g.minute1), 1};
}

// Walks step by step until the target is met (its step number), passed or
// the clock stalls (0), or `stop_at_hour_start` is set and the walk has
// reached minute 0 of a later hour (-1, `w` left there).
int64_t walk_until(Walk& w,
                   float ts,
                   int32_t year,
                   int32_t day,
                   int32_t hour,
                   int32_t minute,
                   bool stop_at_hour_start) {
  const float h0 = w.p.hour, d0 = w.p.day, y0 = w.p.year;
  while (w.count < kMaxCount) {
    if (stop_at_hour_start && w.p.minute == 0.0f &&
        (w.p.hour != h0 || w.p.day != d0 || w.p.year != y0)) {
      return -1;
    }
    switch (walk_step(w, ts, year, day, hour, minute)) {
      case Found::kMet:
        return w.count;
      case Found::kPassed:
      case Found::kStall:
        return 0;
      case Found::kNext:
        break;
    }
  }
  return 0;
}

}  // namespace

int32_t itime_plain(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute) {
  g.ly = textio::year_length(g.year1);
  if (!valid_step(g.timestep)) return 0;
  Walk w = walk_start(g);
  const int64_t n = walk_until(w, g.timestep, year, day, hour, minute, false);
  g.ly = w.p.ly;
  return static_cast<int32_t>(n);
}

int32_t itime(
    TimeGrid& g, int32_t year, int32_t day, int32_t hour, int32_t minute) {
  g.ly = textio::year_length(g.year1);
  const float ts = g.timestep;
  if (!valid_step(ts)) return 0;
  // Every hour after the first has the same minutes (0, ts, 2 ts, ...), so
  // the walk skips whole years, days and hours that lie before the target's
  // hour, counting k steps per hour, and walks step by step only in the
  // first hour and in the target's hour. The result is the plain walk's.
  Walk w = walk_start(g);
  int64_t n = walk_until(w, ts, year, day, hour, minute, true);
  if (n >= 0) {
    g.ly = w.p.ly;
    return static_cast<int32_t>(n);
  }
  int64_t k = 1;  // grid points in an hour from minute 0
  for (float m = 0.0f;; ++k) {
    const float next = m + ts;
    if (next == m) {  // a stalling clock: leave it to the plain walk
      return itime_plain(g, year, day, hour, minute);
    }
    m = next;
    if (m > 60.0f - ts) break;
  }
  int32_t y = static_cast<int32_t>(w.p.year), d = static_cast<int32_t>(w.p.day),
          h = static_cast<int32_t>(w.p.hour);
  int32_t& ly = w.p.ly;
  auto before = [&](int32_t ty, int32_t td, int32_t th) {
    return ty < year || (ty == year && (td < day || (td == day && th < hour)));
  };
  while (w.count < kMaxCount && before(y, d, h)) {
    if (h == 0 && d == 1 && y < year) {
      w.count += k * 24 * ly;  // a whole year before the target's
      y = y + 1;
      ly = textio::year_length(y);
    } else if (h == 0 && (y < year || d < day)) {
      w.count += k * 24;  // a whole day before the target's
      d = d + 1;
      if (d > ly) {
        d = 1;
        y = y + 1;
        ly = textio::year_length(y);
      }
    } else {
      w.count += k;  // an hour before the target's
      h = h + 1;
      if (h > 23) {
        h = 0;
        d = d + 1;
        if (d > ly) {
          d = 1;
          y = y + 1;
          ly = textio::year_length(y);
        }
      }
    }
  }
  w.p.year = static_cast<float>(y);
  w.p.day = static_cast<float>(d);
  w.p.hour = static_cast<float>(h);
  n = w.count < kMaxCount ? walk_until(w, ts, year, day, hour, minute, false)
                          : 0;
  g.ly = w.p.ly;
  return static_cast<int32_t>(n);
}

float time(const TimeGrid& g,
           int32_t year,
           int32_t day,
           int32_t hour,
           int32_t minute) {
  const float m = static_cast<float>(minute);
  const float h = static_cast<float>(hour);
  const float m1 = static_cast<float>(g.minute1);
  const float h1 = static_cast<float>(g.hour1);
  if (year == g.year1) {
    if (day == g.day1 && hour == g.hour1) return (m - m1) / 60.0f;
    if (day == g.day1 && hour > g.hour1) {
      return ((h - h1) - 1.0f) + ((60.0f - m1) / 60.0f + m / 60.0f);
    }
    if (day > g.day1) {
      const float days =
          static_cast<float>(day) - static_cast<float>(g.day1) - 1.0f;
      return 24.0f * days +
             ((60.0f - m1) / 60.0f + m / 60.0f + (24.0f - h1 - 1.0f) + h);
    }
  }
  // Whole days between the start day and the given day, across year ends:
  // day number = 365*year + (multiples of 4 below year) + day.
  auto leaps_below = [](int64_t y) {
    const int64_t q = y + 3;
    return q >= 0 ? q / 4 : -((-q + 3) / 4);
  };
  auto daynum = [&](int64_t y, int64_t d) {
    return 365 * y + leaps_below(y) + d;
  };
  const int64_t days = daynum(year, day) - daynum(g.year1, g.day1);
  return 24.0f * static_cast<float>(days) + (h - h1) + (m - m1) / 60.0f;
}

bool check_nparams(int32_t modeltype, int32_t nparams, std::string& message) {
  const std::string got = "; nparams = " + std::to_string(nparams);
  if (nparams < 0) {
    message = "ERROR: the number of parameters cannot be negative" + got;
    return false;
  }
  switch (modeltype) {
    case 1:
      if (nparams % 3 == 1) return true;
      message =
          "ERROR: modeltype 1 needs 1+3k parameters (a constant, then "
          "amplitude, period and phase of each sinusoid)" +
          got;
      return false;
    case 2:
    case 3:
      if (nparams >= 4) return true;
      message = "ERROR: modeltype " + std::to_string(modeltype) +
                " needs at least 4 parameters (" +
                (modeltype == 2 ? "amplitude" : "offset") +
                ", period, phase, then one " +
                (modeltype == 2 ? "baseline level" : "amplitude") +
                " per segment)" + got;
      return false;
    case 4:
      if (nparams % 5 == 1) return true;
      message =
          "ERROR: modeltype 4 needs 1+5k parameters (a constant, then "
          "amplitude, two periods and two phases of each product)" +
          got;
      return false;
    default:
      return true;
  }
}

namespace {
// check_nparams without the message, for the hot path.
bool nparams_fit(int32_t modeltype, int32_t nparams) {
  if (nparams < 0) return false;
  switch (modeltype) {
    case 1:
      return nparams % 3 == 1;
    case 2:
    case 3:
      return nparams >= 4;
    case 4:
      return nparams % 5 == 1;
    default:
      return true;
  }
}
}  // namespace

double chi2(const Global& g, Data& d) {
  d.pi = kPi;
  const int32_t modeltype = d.modeltype;
  const int32_t nparams = g.nparams;
  if (!nparams_fit(modeltype, nparams) ||
      g.fitparams.size() < static_cast<size_t>(nparams) ||
      d.simdata.size() < 3 * static_cast<size_t>(std::max(d.ndata, 0))) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (modeltype < 1 || modeltype > 4) return 0.0;
  const Fitparam* fp = g.fitparams.data();
  auto p = [fp](int32_t j) { return fp[j - 1].value; };
  const int32_t n = d.ndata;
  const double* t = d.simdata.data();
  const double* y = t + n;
  const double* s = y + n;
  // chi2 = sum over i of r_i^2 (model 1), or of r_i^2/s_i^2 (models 2-4,
  // when |s_i| > kWeightFloor, else r_i^2), with r_i = y_i - m(t_i).
  double sum = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const double m = model_value(modeltype, p, nparams, n, i, t[i - 1]);
    const double r = y[i - 1] - m;
    const double si = s[i - 1];
    double c;
    if (modeltype == 1 || !(std::fabs(si) > kWeightFloor)) {
      c = r * r;
    } else {
      c = (r * r) / (si * si);
    }
    sum = sum + c;
  }
  return sum;
}

// ---------------------------------------------------------------------------
// Normal deviates: Ahrens and Dieter (1973), algorithm FL with 32 intervals,
// all arithmetic in single precision. Tables indexed from 1 (entry 0 unused).

namespace {

// a(i) = inverse normal of 1/2 + (i-1)/64, i = 1..32
constexpr float kA[33] = {
    0.0f,      0.0f,      .3917609E-1f, .7841241E-1f, .1177699f, .1573107f,
    .1970991f, .2372021f, .2776904f,    .3186394f,    .3601299f, .4022501f,
    .4450965f, .4887764f, .5334097f,    .5791322f,    .6260990f, .6744898f,
    .7245144f, .7764218f, .8305109f,    .8871466f,    .9467818f, 1.009990f,
    1.077516f, 1.150349f, 1.229859f,    1.318011f,    1.417797f, 1.534121f,
    1.675940f, 1.862732f, 2.153875f};
// d(i): tail increments, i = 1..31
constexpr float kD[32] = {
    0.0f,      0.0f,      0.0f,      0.0f,      0.0f,      0.0f,      .2636843f,
    .2425085f, .2255674f, .2116342f, .1999243f, .1899108f, .1812252f, .1736014f,
    .1668419f, .1607967f, .1553497f, .1504094f, .1459026f, .1417700f, .1379632f,
    .1344418f, .1311722f, .1281260f, .1252791f, .1226109f, .1201036f, .1177417f,
    .1155119f, .1134023f, .1114027f, .1095039f};
// t(i): centre thresholds, i = 1..31
constexpr float kT[32] = {
    0.0f,         .7673828E-3f, .2306870E-2f, .3860618E-2f, .5438454E-2f,
    .7050699E-2f, .8708396E-2f, .1042357E-1f, .1220953E-1f, .1408125E-1f,
    .1605579E-1f, .1815290E-1f, .2039573E-1f, .2281177E-1f, .2543407E-1f,
    .2830296E-1f, .3146822E-1f, .3499233E-1f, .3895483E-1f, .4345878E-1f,
    .4864035E-1f, .5468334E-1f, .6184222E-1f, .7047983E-1f, .8113195E-1f,
    .9462444E-1f, .1123001f,    .1364980f,    .1716886f,    .2276241f,
    .3304980f,    .5847031f};
// h(i): centre scale factors, i = 1..31
constexpr float kH[32] = {
    0.0f,         .3920617E-1f, .3932705E-1f, .3950999E-1f, .3975703E-1f,
    .4007093E-1f, .4045533E-1f, .4091481E-1f, .4145507E-1f, .4208311E-1f,
    .4280748E-1f, .4363863E-1f, .4458932E-1f, .4567523E-1f, .4691571E-1f,
    .4833487E-1f, .4996298E-1f, .5183859E-1f, .5401138E-1f, .5654656E-1f,
    .5953130E-1f, .6308489E-1f, .6737503E-1f, .7264544E-1f, .7926471E-1f,
    .8781922E-1f, .9930398E-1f, .1155599f,    .1404344f,    .1836142f,
    .2790016f,    .7010474f};

float uniform(Rng& rng) { return static_cast<float>(random(rng)); }

}  // namespace

float snorm(Rng& rng) {
  float u = uniform(rng);
  const float s = u > 0.5f ? 1.0f : 0.0f;
  u = u + u - s;
  u = 32.0f * u;
  int i = static_cast<int>(u);
  if (i == 32) i = 31;
  float aa;
  float w;
  if (i != 0) {
    // Centre: the interval [a(i), a(i+1)).
    float ustar = u - static_cast<float>(i);
    aa = kA[i];
    for (;;) {
      if (ustar > kT[i]) {
        w = (ustar - kT[i]) * kH[i];
        break;
      }
      u = uniform(rng);
      w = u * (kA[i + 1] - aa);
      float tt = (0.5f * w + aa) * w;
      bool restart = false;
      for (;;) {
        if (ustar > tt) break;
        u = uniform(rng);
        if (ustar < u) {
          ustar = uniform(rng);
          restart = true;
          break;
        }
        tt = u;
        ustar = uniform(rng);
      }
      if (!restart) break;
    }
  } else {
    // Tail: beyond a(32), halving the remaining probability per interval.
    // The table ends at d(31): a deviate of the far tail (u < 2^-25, or 0)
    // stays in the last interval instead of reading past it.
    i = 6;
    aa = kA[32];
    for (;;) {
      u = u + u;
      if (u >= 1.0f) break;
      if (i == 31) {
        if (u == 0.0f) u = 1.0f;
        while (u < 1.0f) u = u + u;
        break;
      }
      aa = aa + kD[i];
      i = i + 1;
    }
    u = u - 1.0f;
    for (;;) {
      w = u * kD[i];
      float tt = (0.5f * w + aa) * w;
      bool again = false;
      for (;;) {
        const float ustar = uniform(rng);
        if (ustar > tt) break;
        u = uniform(rng);
        if (ustar < u) {
          u = uniform(rng);
          again = true;
          break;
        }
        tt = u;
      }
      if (!again) break;
    }
  }
  const float y = aa + w;
  return s == 1.0f ? -y : y;
}

float gennor(float av, float sd, Rng& rng) {
  const float x = snorm(rng);
  return av + sd * x;
}

}  // namespace ptfit
