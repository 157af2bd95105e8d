// The cost of a trial side by side: the plain chi-square (chi2, a scalar
// loop as the formula reads), the walk's cached and vectorised one
// (chi2_fast) and the floor (the vector sine of the moved term, if any,
// plus the sums, with no bookkeeping), each averaged over sweeps of all
// parameters; then whole ptfit runs: the time of a trial of one process,
// and moves per second per process with 1, 2 and 4 processes.
// Usage: chi2_speed_bench [all|kernels|programs] [other ptfit to compare]
// Medians of 5 repeats; the machine is shared, so read ratios, not times.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "chi2_kernels.h"
#include "getdata.h"
#include "series.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace ptfit;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

constexpr double kTwoPi = 2 * 3.141592653589793;

// The parameters of the data's own model: a daily wave and its harmonics.
double series_value(double t, int nterms) {
  double v = 250;
  for (int k = 1; k <= nterms; ++k) {
    v += 30.0 / k * std::sin(1.0 * k + kTwoPi * t * k / 24);
  }
  return v;
}

enum class Kind { kConstant, kAmplitude, kPeriod, kPhase };

// One case: 5-minute data (t in hours) and model 1 with `nterms`
// sinusoids or model 4 with `nterms` products, started near the truth.
struct Case {
  Global g;
  Data d;
  std::vector<Kind> kinds;
  std::vector<int> sine_of;  // per parameter: the sine it moves, or -1
};

Case make_case(int modeltype, int nterms, int ndata) {
  Case c;
  c.d.modeltype = modeltype;
  c.d.ndata = ndata;
  c.d.simdata.resize(3 * static_cast<size_t>(ndata));
  std::mt19937_64 gen(1);
  std::normal_distribution<double> noise(0, 5);
  for (int i = 0; i < ndata; ++i) {
    const double t = i / 12.0;
    c.d.simdata[i] = t;
    c.d.simdata[ndata + i] = series_value(t, 3) + noise(gen);
    c.d.simdata[2 * ndata + i] = 5;
  }
  auto add = [&](Kind kind, double value, double lo, double hi, int sine) {
    Fitparam p;
    p.value = value;
    p.range = {lo, hi};
    c.g.fitparams.push_back(p);
    c.kinds.push_back(kind);
    c.sine_of.push_back(sine);
  };
  add(Kind::kConstant, 250, 200, 300, -1);
  for (int k = 1; k <= nterms; ++k) {
    const double period = 24.0 / k;
    add(Kind::kAmplitude, 30.0 / k, 0, 60, -1);
    if (modeltype == 1) {
      add(Kind::kPeriod, period, 0.8 * period, 1.2 * period, k - 1);
      add(Kind::kPhase, 1.0 * k, 0, kTwoPi, k - 1);
    } else {
      // p(j+1), p(j+2) belong to the second sine of the product, p(j+3),
      // p(j+4) to the first.
      add(Kind::kPeriod, period, 0.8 * period, 1.2 * period, 2 * k - 1);
      add(Kind::kPhase, 1.0 * k, 0, kTwoPi, 2 * k - 1);
      add(Kind::kPeriod, 5 * period, 4 * period, 6 * period, 2 * k - 2);
      add(Kind::kPhase, 0.5, 0, kTwoPi, 2 * k - 2);
    }
  }
  c.g.nparams = static_cast<int32_t>(c.g.fitparams.size());
  return c;
}

// The floor: the arrays of every sine and the sum, without the cache's
// bookkeeping. A trial computes the moved sine (with its quotients for a
// period) and the sum.
struct Floor {
  const Chi2Kernels& k = chi2_kernels(widest_simd_path());
  int32_t n = 0, npad = 0;
  std::vector<double> w, y, ss;
  std::vector<std::vector<double>> q, s;
  std::vector<const double*> ta, tb;
  std::vector<double> amp;

  explicit Floor(const Case& c) {
    n = c.d.ndata;
    npad = (n + kLanes - 1) / kLanes * kLanes;
    w.assign(npad, 0);
    y.assign(npad, 0);
    ss.assign(npad, 1);
    for (int i = 0; i < n; ++i) {
      w[i] = c.d.simdata[i] * 2 * kPi;
      y[i] = c.d.simdata[n + i];
      if (c.d.modeltype != 1) ss[i] = 25;
    }
    int nsines = 0;
    for (int v : c.sine_of) nsines = std::max(nsines, v + 1);
    q.assign(nsines, std::vector<double>(npad));
    s.assign(nsines, std::vector<double>(npad));
    for (int j = 0; j < c.g.nparams; ++j) {
      if (c.kinds[j] == Kind::kPeriod) {
        const int v = c.sine_of[j];
        k.quotient_sines(w.data(),
                         c.g.fitparams[j].value,
                         c.g.fitparams[j + 1].value,
                         q[v].data(),
                         s[v].data(),
                         npad);
      }
    }
    const size_t nterms = c.d.modeltype == 1 ? nsines : nsines / 2;
    ta.resize(nterms);
    tb.resize(nterms);
    amp.resize(nterms);
    for (size_t t = 0; t < nterms; ++t) {
      ta[t] = s[c.d.modeltype == 1 ? t : 2 * t].data();
      tb[t] = s[c.d.modeltype == 1 ? t : 2 * t + 1].data();
    }
  }

  double trial(const Case& c, int j) {
    const std::vector<Fitparam>& fp = c.g.fitparams;
    const int v = c.sine_of[j];
    if (c.kinds[j] == Kind::kPeriod) {
      k.quotient_sines(w.data(),
                       fp[j].value,
                       fp[j + 1].value,
                       q[v].data(),
                       s[v].data(),
                       npad);
    } else if (c.kinds[j] == Kind::kPhase) {
      k.sines(q[v].data(), fp[j].value, s[v].data(), npad);
    }
    const int step = c.d.modeltype == 1 ? 3 : 5;
    for (size_t t = 0; t < amp.size(); ++t) amp[t] = fp[1 + step * t].value;
    if (c.d.modeltype == 1) {
      return k.sum_model1(
          y.data(), n, fp[0].value, ta.data(), amp.data(), amp.size());
    }
    return k.sum_model4(y.data(),
                        ss.data(),
                        n,
                        fp[0].value,
                        ta.data(),
                        tb.data(),
                        amp.data(),
                        amp.size());
  }
};

// Seconds per trial of `chi`, over whole sweeps of every parameter for at
// least `budget` seconds: each trial steps one parameter by a small random
// amount, evaluates, and keeps the new value or restores the old one with
// even odds (the same sequence for every variant).
double per_trial(Case& c,
                 const std::function<double(int)>& chi,
                 double budget) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> u(0, 1);
  double sink = 0;
  long trials = 0;
  const Clock::time_point t0 = Clock::now();
  do {
    for (int j = 0; j < c.g.nparams; ++j) {
      Fitparam& p = c.g.fitparams[j];
      const double old = p.value;
      p.value = old + (u(gen) - 0.5) * 0.002 * (p.range[1] - p.range[0]);
      sink += chi(j);
      if (u(gen) < 0.5) p.value = old;
      ++trials;
    }
  } while (seconds_since(t0) < budget);
  const double s = seconds_since(t0) / trials;
  if (sink == 1.0) std::printf(" ");  // keeps the sums alive
  return s;
}

void kernels() {
  std::printf(
      "Trial cost, us (median of 5; averaged over sweeps of all "
      "parameters)\nvector path: %s\n",
      simd_path_name(widest_simd_path()));
  std::printf("%-22s %7s %10s %10s %10s %8s %8s\n",
              "model",
              "points",
              "plain",
              "new",
              "floor",
              "plain/new",
              "new/floor");
  struct Shape {
    int modeltype, nterms;
    const char* name;
  };
  for (const Shape& sh : {Shape{1, 1, "model 1, 1 sinusoid"},
                          Shape{1, 3, "model 1, 3 sinusoids"},
                          Shape{1, 5, "model 1, 5 sinusoids"},
                          Shape{4, 2, "model 4, 2 products"}}) {
    for (int ndata : {1000, 8640, 20000}) {
      Case c = make_case(sh.modeltype, sh.nterms, ndata);
      Floor floor(c);
      std::vector<double> plain, fast, lower;
      for (int rep = 0; rep < 5; ++rep) {
        plain.push_back(per_trial(
            c, [&](int) { return chi2(c.g, c.d); }, 0.1));
        fast.push_back(per_trial(
            c, [&](int) { return chi2_fast(c.g, c.d); }, 0.1));
        lower.push_back(per_trial(
            c, [&](int j) { return floor.trial(c, j); }, 0.1));
      }
      const double a = median(plain), b = median(fast), f = median(lower);
      std::printf("%-22s %7d %10.2f %10.2f %10.2f %8.1fx %8.2fx\n",
                  sh.name,
                  ndata,
                  1e6 * a,
                  1e6 * b,
                  1e6 * f,
                  a / b,
                  b / f);
      std::fflush(stdout);
    }
  }
}

// A working directory with 30 days of 5-minute data (8640 points), a
// constant and three sinusoids to fit (10 parameters).
struct RunDir {
  std::filesystem::path dir;
  RunDir() {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "ptfit_speed_XXXXXX")
            .string();
    if (mkdtemp(tmpl.data()) == nullptr) std::exit(1);
    dir = tmpl;
    std::ofstream data(dir / "series.dat");
    for (int i = 0; i <= 8640; ++i) {
      textio::SeriesRecord r;
      r.year = 20;
      r.day = 100 + i / 288;
      r.hour = i % 288 / 12;
      r.minute = i % 12 * 5;
      r.hours = i / 12.0;
      r.value = series_value(r.hours, 3);
      r.sigma = 5;
      r.timestep = 5;
      data << textio::format_series(r) << '\n';
    }
    std::ofstream params(dir / "params.txt");
    params << "constant 200 300\n";
    for (int k = 1; k <= 3; ++k) {
      params << "amp" << k << " 0 60\nperiod" << k << " " << 20.0 / k << " "
             << 28.0 / k << "\nphase" << k << " 0 6.2832\n";
    }
  }
  ~RunDir() { std::filesystem::remove_all(dir); }

  // The shell command of one run of `program` on `np` processes
  // (tempering, exchanges every 10 moves), one block of `moves` moves.
  // Open MPI binds a job's processes to cores from core 0 on, so separate
  // jobs run at once would share core 0: `unbound` leaves them free.
  std::string command(const std::string& program,
                      int np,
                      int moves,
                      bool unbound = false) const {
    std::ofstream answers(dir / ("answers" + std::to_string(moves)));
    answers << "1\n'./'\n'series.dat'\n20 100 0 0\n20 130 0 0\n10 0\n"
               "params.txt\n1 "
            << moves << " 1 0\n1\n1e6\nT 10 1.5\nF 1\nT\n";
    const std::string root = geteuid() == 0 ? " --allow-run-as-root" : "";
    return "cd '" + dir.string() + "' && " IONO_MPIEXEC " -np " +
           std::to_string(np) + root + " --oversubscribe" +
           (unbound ? " --bind-to none" : "") + " '" + program + "' < answers" +
           std::to_string(moves) + " > out 2>&1";
  }
};

// Seconds that the shell command `cmd` takes.
double timed(const std::string& cmd) {
  const Clock::time_point t0 = Clock::now();
  if (std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    std::exit(1);
  }
  return seconds_since(t0);
}

// Seconds per move of one process: the time of 4000 moves less that of
// 400, over 3600 (start-up and the files of the block end cancel). With
// `twin`, two 1-process runs at once, one in each directory.
double per_move(const RunDir& rd,
                const std::string& program,
                int np,
                const RunDir* twin = nullptr) {
  auto cmd = [&](int moves) {
    if (twin == nullptr) return rd.command(program, np, moves);
    return "(" + rd.command(program, np, moves, true) + ") & (" +
           twin->command(program, np, moves, true) + "); wait";
  };
  std::vector<double> v;
  for (int rep = 0; rep < 5; ++rep) {
    v.push_back((timed(cmd(4000)) - timed(cmd(400))) / 3600);
  }
  return median(v);
}

void programs(const std::string& other) {
  RunDir rd;
  std::printf(
      "\nWhole ptfit runs, 8640 points, constant and 3 sinusoids (10 "
      "parameters), one block, exchanges every 10 moves, scatter file on\n");
  const double one = per_move(rd, PTFIT_PROGRAM, 1);
  std::printf("1 process: %.2f us a trial (a move / 10)\n", 1e6 * one / 10);
  if (!other.empty()) {
    const double o = per_move(rd, other, 1);
    std::printf("%s: %.2f us a trial; ratio %.1fx\n",
                other.c_str(),
                1e6 * o / 10,
                o / one);
  }
  std::printf("moves per second per process: 1 process %.0f", 1 / one);
  for (int np : {2, 4}) {
    const double m = per_move(rd, PTFIT_PROGRAM, np);
    std::printf(", %d processes %.0f (%.0f%%)", np, 1 / m, 100 * one / m);
    std::fflush(stdout);
  }
  // What two processes get from the machine without talking to each other.
  RunDir twin;
  const double pair = per_move(rd, PTFIT_PROGRAM, 1, &twin);
  std::printf("\ntwo separate 1-process runs at once: %.0f each (%.0f%%)\n",
              1 / pair,
              100 * one / pair);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "all";
  if (what == "all" || what == "kernels") kernels();
  if (what == "all" || what == "programs") programs(argc > 2 ? argv[2] : "");
  return 0;
}
