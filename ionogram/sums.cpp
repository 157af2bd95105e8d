// The sums' size, the memory budget and the allocation.
#include "sums.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <new>
#include <string>

#include "sampling.h"
#include "timegrid.h"

namespace ionoscan {

namespace {

// "year 10, day 152, 06:00".
std::string time_text(const GridTime& t) {
  char hm[32];
  std::snprintf(hm, sizeof hm, "%02d:%02d", int(t.hour), int(t.minute));
  return "year " + std::to_string(t.year) + ", day " + std::to_string(t.day) +
         ", " + hm;
}

}  // namespace

uint64_t sums_bytes(int32_t ntimes, int32_t nhts, int32_t nbands) {
  const uint64_t steps = static_cast<uint64_t>(std::max(ntimes, 0));
  const uint64_t cells = steps * static_cast<uint64_t>(std::max(nhts, 0)) *
                         static_cast<uint64_t>(std::max(nbands, 0));
  return 8 * cells + kBytesPerStep * steps;
}

uint64_t memory_available() {
  uint64_t avail = 0;
  std::ifstream meminfo("/proc/meminfo");
  for (std::string key; meminfo >> key;) {
    uint64_t kib = 0;
    if (key == "MemAvailable:" && meminfo >> kib) {
      avail = kib * 1024;
      break;
    }
    meminfo.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  if (avail == 0) {
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long page = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0) avail = uint64_t(pages) * uint64_t(page);
  }
  if (avail == 0) avail = std::numeric_limits<uint64_t>::max();
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    struct rlimit lim {};
    if (::getrlimit(resource, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY) {
      avail = std::min<uint64_t>(avail, lim.rlim_cur);
    }
  }
  return avail;
}

Status allocate_sums(Extractor& ex, std::ostream& out) {
  // The last whole first header gives the sums their heights: its count is
  // checked before it sizes anything.
  const size_t last = static_cast<size_t>(
      std::find(ex.has_header.rbegin(), ex.has_header.rend(), 1) -
      ex.has_header.rbegin());
  const std::string& sizing = ex.names[ex.names.size() - 1 - last];
  if (!rsf_layout(ex.hdr.nhts)) {
    say(out, rsf_message(RsfStatus::kBadHeights), ex.hdr.nhts);
    name_file(sizing,
              "block 1 has " + std::to_string(ex.hdr.nhts) +
                  " heights (an RSF block has 128, 256 or 512)");
    return stopped();
  }
  ex.nhts_bins = ex.hdr.nhts;
  const uint64_t need = sums_bytes(ex.ntimes, ex.nhts_bins, ex.ans.nbands);
  const uint64_t avail = memory_available();
  auto mb = [](uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
  };
  // The time range decides the steps: name its ends and their files, as a
  // corrupt time in one header is the usual cause.
  const std::string range = "from " + time_text(ex.first_time[ex.earliest]) +
                            " (" + ex.names[ex.earliest] + ") to " +
                            time_text(ex.first_time[ex.latest]) + " (" +
                            ex.names[ex.latest] + ")";
  const std::string what = "the sums of " + std::to_string(ex.ntimes) +
                           " time steps " + range + ", " +
                           std::to_string(ex.nhts_bins) + " heights and " +
                           std::to_string(ex.ans.nbands) + " bands";
  if (need > avail) {
    say(out,
        "not enough memory: " + what + " need " + mb(need) + ", " + mb(avail) +
            " are available");
    return refused();
  }
  try {
    const size_t cells = static_cast<size_t>(ex.ntimes) *
                         static_cast<size_t>(ex.nhts_bins) *
                         static_cast<size_t>(ex.ans.nbands);
    ex.bins.assign(cells, 0.0);
    ex.timearray.assign(4 * static_cast<size_t>(ex.ntimes), 0);
    ex.sampled.assign(static_cast<size_t>(ex.ntimes), 0);
  } catch (const std::bad_alloc&) {
    say(out, "not enough memory: " + what + " need " + mb(need));
    return refused();
  }
  return {};
}

}  // namespace ionoscan
