// The sums of the sampling pass: their size and the memory a run may take,
// checked before they are allocated.
#pragma once

#include <cstdint>
#include <ostream>

#include "extractor.h"
#include "phase.h"

namespace ionoscan {

// bins and timearray for ntimes steps, the heights of the last header read
// and nbands bands, all 0. A stop when that header's number of heights is
// no RSF layout's; refused, before anything is allocated, when the sums
// need more than memory_available(), naming the time range and its files.
Status allocate_sums(Extractor& ex, std::ostream& out);

// Bytes the sums take beside bins' cells: timearray, sampled and the
// series of the maxima output, per time step.
inline constexpr uint64_t kBytesPerStep = 64;

// The memory that the sums of `ntimes` steps, `nhts` heights and `nbands`
// bands take, in bytes.
uint64_t sums_bytes(int32_t ntimes, int32_t nhts, int32_t nbands);

// The memory a run may take: the machine's available memory
// (MemAvailable of /proc/meminfo, else the free pages), no more than the
// process's limits of address space and data.
uint64_t memory_available();

}  // namespace ionoscan
