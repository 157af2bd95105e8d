// ptsummary: what a ptfit run found, and whether to trust it. Reads the
// chain files of a run directory, rebuilds each ladder's temperature-1
// chain, drops the burn-in blocks and prints, per varied parameter and for
// chi2, the median with its 68% and 95% intervals, mean, spread,
// autocorrelation time, effective sample size, R-hat and the share of
// samples at a bound, with a warning line for each figure that calls the
// result into question; the same table goes to DIR/summary.tsv.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "chainset.h"
#include "report.h"
#include "summarize.h"

namespace ptsummary {
namespace {

constexpr const char* kUsage =
    "usage: ptsummary [--params FILE] [--burn BLOCKS] [--strict] [DIR]\n"
    "       ptsummary --help | --version\n"
    "Summarises the ptfit run in DIR (default: the working directory) from\n"
    "its chain files chain_0, chain_1, ...: one line per varied parameter\n"
    "and for chi2 with median, lo68/hi68 and lo95/hi95 (central 68% and 95%\n"
    "intervals), mean, sd, tau (autocorrelation time in moves), ess\n"
    "(effective sample size), rhat (split, rank-normalised R-hat over the\n"
    "ladders) and at_bound (share of samples within 1% of the range's width\n"
    "of a bound), then a warning line for each doubtful figure. The table\n"
    "is also written to DIR/summary.tsv.\n"
    "  --params FILE   the run's parameter file: the ranges, for at_bound\n"
    "                  and for parameters whose moves wrap around\n"
    "  --burn BLOCKS   leave out blocks 1 to BLOCKS (default: the first half\n"
    "                  of the complete blocks)\n"
    "  --strict        exit with status 1 when a warning was printed\n"
    "Exit status: 0 summarised, 1 a warning with --strict, 2 the chain or\n"
    "parameter files cannot be read, wrong arguments, or summary.tsv cannot\n"
    "be written.\n";

struct Options {
  std::string dir = ".";
  std::string params;
  int32_t burn = -1;  // -1: the first half
  bool strict = false;
};

// Wrong arguments, and input that cannot be read: a message and status 2.
int refuse(const std::string& what) {
  std::cerr << "ptsummary: " << what << " (see ptsummary --help)\n";
  return 2;
}
int fail(const std::string& what) {
  std::cerr << "ptsummary: " << what << "\n";
  return 2;
}

// Parses the arguments; -1 to go on, else the exit status.
int parse(int argc, char** argv, Options& o) {
  bool have_dir = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--version") {
      std::cout << "ptsummary " << IONO_VERSION << "\n";
      return 0;
    }
    if (a == "--strict") {
      o.strict = true;
    } else if (a == "--params" || a == "--burn") {
      if (i + 1 >= argc) return refuse(a + " needs a value");
      const std::string v = argv[++i];
      if (a == "--params") {
        o.params = v;
      } else {
        size_t end = 0;
        long n = -1;
        try {
          n = std::stol(v, &end);
        } catch (const std::exception&) {
          end = 0;
        }
        if (end != v.size() || n < 0 || n > 1000000000) {
          return refuse("--burn takes a count of blocks, not \"" + v + "\"");
        }
        o.burn = int32_t(n);
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return refuse("unknown option " + a);
    } else if (have_dir) {
      return refuse("one directory only");
    } else {
      o.dir = a;
      have_dir = true;
    }
  }
  return -1;
}

// The chains of column `col` (0: chi2) after `skip` samples of each ladder.
Chains column(const ChainSet& set, size_t col, size_t skip) {
  Chains chains;
  const size_t n = set.columns();
  for (const LadderChain& l : set.ladders) {
    std::vector<double> x;
    for (size_t i = skip; i < set.length(); ++i)
      x.push_back(l.values[i * n + col]);
    chains.push_back(std::move(x));
  }
  return chains;
}

std::string run_line(const Options& o, const ChainSet& set, int32_t burn) {
  std::error_code ec;
  std::string dir = std::filesystem::absolute(o.dir, ec).lexically_normal();
  if (ec) dir = o.dir;
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const size_t nl = set.ladders.size();
  char buf[512];
  std::snprintf(buf,
                sizeof buf,
                "%s: %d process%s, %zu ladder%s, %d complete blocks of %d "
                "moves; blocks 1-%d burnt in, %zu samples a ladder kept",
                dir.c_str(),
                set.nprocesses,
                set.nprocesses == 1 ? "" : "es",
                nl,
                nl == 1 ? "" : "s",
                set.nblocks,
                set.nmoves,
                burn,
                size_t(set.nblocks - burn) * size_t(set.nmoves));
  return buf;
}

int summarise(const Options& o) {
  ChainSet set;
  std::string error;
  if (!read_chains(o.dir, set, error)) return fail(error);
  const int32_t burn = o.burn >= 0 ? o.burn : set.nblocks / 2;
  if (burn >= set.nblocks) {
    return refuse("--burn " + std::to_string(burn) + " leaves none of the " +
                  std::to_string(set.nblocks) + " complete blocks");
  }
  std::vector<Range> ranges(set.names.size());
  if (!o.params.empty() && !read_ranges(o.params, set.names, ranges, error)) {
    return fail(error);
  }
  std::cout << run_line(o, set, burn) << "\n";
  if (set.last_block > set.nblocks) {
    std::cout << "note: blocks " << set.nblocks + 1 << "-" << set.last_block
              << " are not complete in every ladder (a running job?): left "
                 "out\n";
  }
  if (o.params.empty()) {
    std::cout << "note: no --params: at_bound and the wrap-around of the "
                 "moves are not checked\n";
  }
  const size_t skip = size_t(burn) * size_t(set.nmoves);
  std::vector<Row> rows;
  for (size_t j = 0; j < set.names.size(); ++j) {
    rows.push_back(
        summarize(set.names[j], column(set, 1 + j, skip), ranges[j]));
  }
  rows.push_back(summarize("chi2", column(set, 0, skip), Range{}));
  std::cout << table_text(rows);
  size_t nwarnings = 0;
  for (const Row& r : rows) {
    for (const std::string& w : warnings(r)) {
      std::cout << w << "\n";
      ++nwarnings;
    }
    if (r.constant) {
      std::cout << "note: " << r.name
                << ": every sample kept has the same value: nothing to judge\n";
    }
  }
  if (nwarnings == 0) std::cout << "no warnings\n";
  std::cout.flush();
  const std::string tsv = o.dir + "/summary.tsv";
  if (!textio::write_file_atomic(tsv, tsv_text(rows), error)) {
    return fail("cannot write " + tsv + ": " + error);
  }
  return o.strict && nwarnings > 0 ? 1 : 0;
}

}  // namespace
}  // namespace ptsummary

int main(int argc, char** argv) {
  try {
    ptsummary::Options o;
    const int status = ptsummary::parse(argc, argv, o);
    if (status >= 0) return status;
    return ptsummary::summarise(o);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "ptsummary: " << e.what() << "\n";
    return 2;
  }
}
