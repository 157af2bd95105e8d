// Times the append program, side by side in one run: merging 100,000
// records into a file of 100,000 records whose times interleave, against
// copying 100,000 records into an empty first file. Prints both times (the
// median of several runs each) and their ratio; exits 1 when the merge
// takes more than 2.5 times as long as the copy.
//
//   build/bench/append/append_bench [records] [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "series.h"

namespace {

namespace fs = std::filesystem;

// A series of `n` records 10 minutes apart, starting `offset` minutes into
// day 1 of year 20; every 97th record is empty, as for a step without a
// sounding.
std::string series(int n, int offset) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    int t = offset + 10 * i;
    textio::SeriesRecord r;
    r.year = 20;
    r.day = 1 + t / 1440;
    r.hour = t / 60 % 24;
    r.minute = t % 60;
    r.hours = t / 60.0;
    r.value = 250 + 40 * ((i * 7919) % 1000) / 1000.0;
    r.sigma = 3.0 + (i % 13) / 7.0;
    r.timestep = 5;
    if (i % 97 == 50) r.year = r.day = 0;
    text += textio::format_series(r);
    text += '\n';
  }
  return text;
}

void put(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// Seconds for one run of append in `dir` merging "second" into "first",
// after "first" is set to `first`.
double time_run(const fs::path& dir, const std::string& first) {
  put(dir / "first", first);
  std::string cmd =
      "cd '" + dir.string() + "' && '" APPEND_BIN "' < answers > /dev/null";
  auto t0 = std::chrono::steady_clock::now();
  int st = std::system(cmd.c_str());
  auto t1 = std::chrono::steady_clock::now();
  if (st != 0) {
    std::fprintf(stderr, "append failed (status %d)\n", st);
    std::exit(2);
  }
  return std::chrono::duration<double>(t1 - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  fs::path dir = fs::temp_directory_path() /
                 ("append_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  put(dir / "answers", "first\nsecond\n");
  put(dir / "second", series(n, 5));
  const std::string interleaved = series(n, 0);

  std::vector<double> merge, copy;
  for (int i = 0; i < runs; ++i) {
    copy.push_back(time_run(dir, ""));
    merge.push_back(time_run(dir, interleaved));
  }
  fs::remove_all(dir);

  double tm = median(merge), tc = median(copy);
  std::printf("records per file       %d (median of %d runs)\n", n, runs);
  std::printf("merge into %d records  %.3f s\n", n, tm);
  std::printf("copy into empty file   %.3f s\n", tc);
  std::printf("ratio                  %.2f (limit 2.50)\n", tm / tc);
  return tm / tc <= 2.5 ? 0 : 1;
}
