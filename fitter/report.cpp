// Report and listing lines through the shared formatting library.
#include "report.h"

#include <cmath>
#include <limits>

#include "fortran_format.h"
#include "freeform_out.h"

namespace ptfit {

namespace {

// A count for an integer edit field: values beyond int32 become the
// largest int32, which no field used here can show (asterisks either way).
int32_t field_int(double v) {
  if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
  if (!(v > -2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

std::string clock_line(const char* label, int32_t h, int32_t m, int32_t s) {
  return textio::fortran_format("(A15,I4,A1,I2,A1,I2)",
                                {std::string_view(label),
                                 h,
                                 std::string_view(":"),
                                 m,
                                 std::string_view(":"),
                                 s});
}

}  // namespace

std::string nprocesses_line(int32_t mpisize) {
  return textio::fortran_format(
      "(a,i8)", {std::string_view("  The number of processes is "), mpisize});
}

std::vector<std::string> parameter_listing(const Global& g) {
  std::vector<std::string> lines;
  lines.push_back(textio::free_line("read the following parameter details:"));
  lines.push_back(textio::free_line("nparams=", g.nparams));
  lines.push_back(textio::free_line("name                    range"));
  for (const Fitparam& p : g.fitparams) {
    lines.push_back(textio::fortran_format("(A20,4G12.3)",
                                           {std::string_view(p.name),
                                            p.range[0],
                                            p.range[1],
                                            p.value,
                                            p.refvalue}));
  }
  return lines;
}

std::string initial_chi2_line(int32_t mpiid, double chi2cur) {
  return textio::fortran_format(
      "(A25,I4,G12.3)",
      {std::string_view("mpiid/initial chi2"), mpiid, chi2cur});
}

std::vector<std::string> report_head(int32_t k,
                                     int32_t nmoves,
                                     bool sampling,
                                     const Chi2Sums& sums,
                                     double chi2now) {
  std::vector<std::string> lines;
  lines.push_back(
      textio::free_line("############################################"));
  lines.push_back(
      textio::free_line("######## MONTE CARLO BLOCK RESULTS #########"));
  lines.push_back(textio::free_line(k, int64_t{k} * int64_t{nmoves}));
  if (sampling) {
    const double n = static_cast<double>(sums.n);
    const double mean = sums.s / n;
    lines.push_back(
        textio::free_line("chi2:", mean, std::sqrt(sums.q / n - mean * mean)));
  } else {
    lines.push_back(textio::free_line("chi2:", chi2now));
  }
  lines.push_back(textio::free_line(
      "par.name               val.       maxstep     ratio       average     "
      "sigma        neval."));
  return lines;
}

std::string report_param_line(
    const Fitparam& p, bool sampling, double a, double b, int32_t m) {
  const std::string_view na("N/A");
  if (p.vary == 0) {
    return textio::fortran_format("(A20,g12.4,2A10)",
                                  {std::string_view(p.name), p.value, na, na});
  }
  const float ratio =
      static_cast<float>(p.naccepted) / static_cast<float>(p.ntried);
  if (sampling) {
    const double mean = a / static_cast<double>(m);
    const double sigma = std::sqrt(b / static_cast<double>(m) - mean * mean);
    return textio::fortran_format(
        "(A20,5g12.4)",
        {std::string_view(p.name), p.value, p.maxstep, ratio, mean, sigma});
  }
  return textio::fortran_format(
      "(A20,3g12.4,3A10)",
      {std::string_view(p.name), p.value, p.maxstep, ratio, na, na, na});
}

int64_t ticks_between(int64_t start, int64_t now, int64_t max) {
  int64_t ticks = now - start;
  if (ticks < 0) ticks += max + 1;
  return ticks;
}

int32_t add_block_time(int32_t totaltime, int64_t ticks, int64_t rate) {
  if (rate <= 0) return totaltime;
  const float t = static_cast<float>(totaltime) +
                  static_cast<float>(ticks) / static_cast<float>(rate);
  return field_int(static_cast<double>(t));
}

std::vector<std::string> time_lines(int32_t totaltime,
                                    int32_t k,
                                    int32_t nblocks) {
  std::vector<std::string> lines;
  int32_t hours = totaltime / 3600;
  int32_t minutes = (totaltime - 3600 * hours) / 60;
  int32_t seconds = totaltime - 3600 * hours - 60 * minutes;
  lines.push_back(clock_line("ellapsed time=", hours, minutes, seconds));

  const double r = static_cast<double>(int64_t{totaltime / k} *
                                       (int64_t{nblocks} - int64_t{k}));
  const double h = std::trunc(r / 3600.0);
  const double m = std::trunc((r - 3600.0 * h) / 60.0);
  const double s = std::trunc(r - 3600.0 * h - 60.0 * m);
  lines.push_back(
      clock_line("time remaining~", field_int(h), field_int(m), field_int(s)));
  return lines;
}

std::string exchange_ratio_line(int32_t mpiid,
                                int32_t nexaccept,
                                int32_t nexattempt) {
  const float ratio =
      static_cast<float>(nexaccept) / static_cast<float>(nexattempt);
  return textio::free_line("temp. ratio", mpiid, ratio);
}

std::string resumed_line(int32_t block, int32_t nblocks) {
  const std::string head =
      "resumed from the checkpoints of block " + std::to_string(block) + ": ";
  if (block >= nblocks) {
    return textio::free_line(head + "all " + std::to_string(nblocks) +
                             " blocks are done");
  }
  return textio::free_line(head + "the run goes on with block " +
                           std::to_string(block + 1) + " of " +
                           std::to_string(nblocks));
}

}  // namespace ptfit
