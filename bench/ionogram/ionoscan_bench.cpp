// Scaling benchmark of ionoscan, run by hand (see README):
//   ionoscan_bench scaling [dir]  10,000 and 20,000 soundings of the same
//                                 cadence, side by side; prints the ratio
//   ionoscan_bench year [dir]     a year of 15-minute soundings (35,040
//                                 files of one block, 128 heights, 2 bands)
// The soundings are written to `dir` (default: a new folder under /tmp,
// removed at the end); each run's wall time and peak memory are printed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "soundings.h"

namespace fs = std::filesystem;

namespace {

struct Timing {
  double seconds = 0;
  long peak_kib = 0;
  int status = -1;
};

// Runs ionoscan in `dir` (its output to dir/stdout) and measures it.
Timing run_scan(const fs::path& dir) {
  Timing t;
  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    if (!freopen("stdout", "w", stdout)) _exit(127);
    execl(IONO_BIN_DIR "/ionogram/ionoscan", "ionoscan", (char*)nullptr);
    _exit(127);
  }
  int w = 0;
  rusage ru{};
  wait4(pid, &w, 0, &ru);
  t.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  t.peak_kib = ru.ru_maxrss;
  t.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  return t;
}

// A run folder with its answers: 15-minute steps, `nbands` bands over the
// generator's frequencies, both modes, window 100-400 km, 3 maxima.
void prepare_run(const fs::path& dir, const fs::path& list, int nbands) {
  fs::create_directories(dir);
  std::ofstream in(dir / "input");
  in << "bench\n'" << list.string() << "'\n15\n" << nbands << "\n";
  for (int b = 0; b < nbands; ++b) in << (b == 0 ? "2.0 3.6\n" : "3.5 5.1\n");
  in << "3\n1\n1\n100 400\n0\n3\n";
}

// The first `n` lines of `from` into `to`.
void head(const fs::path& from, const fs::path& to, int n) {
  std::ifstream in(from);
  std::ofstream out(to);
  std::string line;
  for (int k = 0; k < n && std::getline(in, line); ++k) out << line << '\n';
}

bool generate(const fs::path& dir, int count, const fs::path& list) {
  rsfgen::SeriesPlan p;
  p.dir = (dir / "rsf").string();
  fs::create_directories(p.dir);
  p.count = count;
  p.year = 5;
  p.every = 15;
  p.swing_km = 40;  // a daily swing of the layer
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  if (!rsfgen::write_sounding_series(p, list.string(), error)) {
    std::fprintf(stderr, "ionoscan_bench: %s\n", error.c_str());
    return false;
  }
  std::printf(
      "wrote %d soundings in %.1f s\n",
      count,
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count());
  return true;
}

void report(const char* what, const Timing& t) {
  std::printf("%-22s %8.3f s  peak %7.1f MiB  status %d\n",
              what,
              t.seconds,
              t.peak_kib / 1024.0,
              t.status);
}

int scaling(const fs::path& dir) {
  const fs::path all = dir / "list20000";
  if (!generate(dir, 20000, all)) return 1;
  head(all, dir / "list10000", 10000);
  prepare_run(dir / "run10000", dir / "list10000", 2);
  prepare_run(dir / "run20000", all, 2);
  // Alternate the two sizes and keep each one's best of three.
  Timing best10, best20;
  for (int rep = 0; rep < 3; ++rep) {
    const Timing t10 = run_scan(dir / "run10000");
    const Timing t20 = run_scan(dir / "run20000");
    if (t10.status != 0 || t20.status != 0) {
      std::fprintf(stderr, "ionoscan_bench: a run failed\n");
      return 1;
    }
    if (rep == 0 || t10.seconds < best10.seconds) best10 = t10;
    if (rep == 0 || t20.seconds < best20.seconds) best20 = t20;
  }
  report("10,000 soundings", best10);
  report("20,000 soundings", best20);
  const double ratio = best20.seconds / best10.seconds;
  std::printf("ratio 20,000 / 10,000: %.2f (limit 2.3)\n", ratio);
  return ratio <= 2.3 ? 0 : 1;
}

int year(const fs::path& dir) {
  const fs::path list = dir / "listyear";
  if (!generate(dir, 35040, list)) return 1;
  prepare_run(dir / "runyear", list, 2);
  const Timing t = run_scan(dir / "runyear");
  report("35,040 soundings", t);
  return t.status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "scaling" && mode != "year") {
    std::fprintf(stderr, "usage: ionoscan_bench scaling|year [dir]\n");
    return 2;
  }
  fs::path dir;
  bool temporary = false;
  if (argc > 2) {
    dir = argv[2];
    fs::create_directories(dir);
  } else {
    std::string tmpl = (fs::temp_directory_path() / "ionobenchXXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    dir = tmpl;
    temporary = true;
  }
  const int r = mode == "scaling" ? scaling(dir) : year(dir);
  if (temporary) fs::remove_all(dir);
  return r;
}
