// The fitter's shared state: the run-control counts, the process's identity
// and temperature, the parameter table and the chi-square accumulators
// (`Global`), the main program's run configuration and ladder layout
// (`RunConfig`), and the data with its model type (`Data`). Every process
// holds its own copy; copies agree only where a broadcast makes them agree.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chi2cache.h"
#include "rng.h"

namespace ptfit {

constexpr int kNbins = 10000;

// One fit parameter. `histogram` is 10000 x 2 stored column by column:
// positions in [0, kNbins), counts in [kNbins, 2*kNbins).
struct Fitparam {
  std::string name;  // 20 characters, padded with blanks
  double value = 0;
  std::array<double, 2> range{0, 0};
  double refvalue = 0;  // nothing assigns it; starts at 0
  double avval = 0;
  double sigmaval = 0;
  std::vector<double> histogram = std::vector<double>(2 * kNbins, 0.0);
  double spare = 0;
  double maxstep = 0;
  int32_t ntried = 0;
  int32_t naccepted = 0;
  int32_t vary = 1;
  int32_t neval = 0;
  int32_t showref = 0;
};

inline double& hist_pos(Fitparam& p, int i) { return p.histogram[i - 1]; }
inline double& hist_count(Fitparam& p, int i) {
  return p.histogram[kNbins + i - 1];
}

// Module state of one process.
struct Global {
  int32_t nparams = 0;
  int32_t nparams2 = 0;
  std::vector<Fitparam> fitparams;  // fitparams[j-1] is parameter j
  std::string paramsfile;           // as answered, any length
  int32_t nblocks = 0;
  int32_t nmoves = 0;
  int32_t nskip = 0;
  int32_t mpiid = 0;
  int32_t mpisize = 1;
  double temperature = 1.0;
  int32_t stoprun = 0;
  int32_t chi2eval = 0;
  double avchi2 = 0;
  double sigmachi2 = 0;
  std::vector<double> chi2bin = std::vector<double>(2 * kNbins, 0.0);
  Rng rng;  // the process's own uniform stream, drawn by random()
  int32_t write_failures = 0;  // result files that could not be written
                               // (process 0, which writes them)
};

// The main program's run configuration and ladder layout.
struct RunConfig {
  int32_t statistics_start = 0;
  int32_t samplingtype = 1;
  double chi2max = 0;
  bool tempering = false;
  int32_t nexchange = 0;
  double tempratio = 1;
  bool clones = false;
  int32_t nclones = 1;
  bool scatter = false;
  int32_t ntemperatures = 1;
  int32_t colour = 0;
  int32_t subrank = 0;
  std::vector<int32_t> temperingorder;  // index = level 0..ntemperatures-1
  int32_t nexattempt = 0;
  int32_t nexaccept = 0;
  double chi2cur = 0;
};

// The start of the data window and the step grid that `itime` walks from
// it. Lives on process 0 only.
struct TimeGrid {
  int32_t year1 = 0;  // in the form the data file uses (two digits)
  int32_t day1 = 0;   // day of the year, 1 = 1 January
  int32_t hour1 = 0;
  int32_t minute1 = 0;
  int32_t ly = 365;    // length of the year the last step count reached
  float timestep = 0;  // minutes, from the last data record read
};

// The data and model of one process. `simdata` is ndata x 3, column by
// column: times [0, ndata), values [ndata, 2*ndata), uncertainties
// [2*ndata, 3*ndata). Only `modeltype`, `ndata` and `simdata` are
// broadcast; the dialogue's answers and the window stay on process 0.
struct Data {
  int32_t modeltype = 0;
  int32_t ndata = 0;
  std::vector<double> simdata;
  double pi = 0;    // stored by every chi2 call, read by the model file writer
  Chi2Cache cache;  // the walk's chi-square between calls (chi2_fast)

  std::string datadir;    // as answered, any length
  std::string datafiles;  // as answered, any length
  TimeGrid window;        // start of the window: year1, day1, hour1, minute1
  int32_t year2 = 0;      // end of the window (excluded)
  int32_t day2 = 0;
  int32_t hour2 = 0;
  int32_t minute2 = 0;
};

// simdata(i, col) with i = 1..ndata and col = 1 (time, hours since the
// window start), 2 (value) or 3 (uncertainty).
inline double& simdata(Data& d, int32_t i, int col) {
  return d.simdata[static_cast<size_t>(col - 1) * d.ndata + (i - 1)];
}
inline double simdata(const Data& d, int32_t i, int col) {
  return d.simdata[static_cast<size_t>(col - 1) * d.ndata + (i - 1)];
}

}  // namespace ptfit
