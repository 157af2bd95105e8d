// Fuzz target: one RSF file, whole, walked as ionoscan's sampling walks it
// (a header, every group of its block, the padding, the next header, until
// the file ends or the walk fails). Checks that every decoded group and
// header stays within the ranges the sums rely on and that the cursor only
// moves forward inside the file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "check.h"
#include "rsf.h"

namespace {

using namespace ionoscan;

void check_group(const FrGroup& grp, const RsfLayout& lay) {
  fuzz::check(grp.nsum == lay.nsum, "a group has its layout's samples");
  fuzz::check(grp.nsum <= kRsfMaxHeights, "nsum fits the amplitudes");
  for (int32_t k = 0; k < grp.nsum; ++k) {
    fuzz::check(grp.amp[k] >= 0 && grp.amp[k] <= 31, "amplitude in 0..31");
  }
  fuzz::check(grp.mps >= 0 && grp.mps <= 31, "mps in 0..31");
  fuzz::check(grp.gain >= 0 && grp.gain <= 15, "gain in 0..15");
  fuzz::check(grp.pol >= -1 && grp.pol <= 14, "pol from a high nibble");
}

void check_header(const RsfHeader& hdr) {
  fuzz::check(hdr.nhts >= 0 && hdr.nhts <= 100 * 165 + 165, "nhts from BCD");
  fuzz::check(hdr.day == julian(hdr.year, hdr.month, hdr.mday),
              "day is the calendar's");
  fuzz::check(hdr.arxid.size() == 3 && hdr.atxid.size() == 3, "3-byte ids");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);

  // The first header alone, as the pass over the time range reads it.
  RsfHeader first;
  if (read_header(bytes, first) == RsfStatus::kEndOfFile) {
    fuzz::check(size < static_cast<size_t>(kRsfHeaderSize), "short file");
  }

  RsfCursor c{bytes};
  RsfHeader hdr;
  FrGroup grp;
  RsfStatus st = next_header(c, hdr);
  while (st == RsfStatus::kOk) {
    check_header(hdr);
    const size_t before = c.pos;
    st = next_frgroup(c, grp);
    fuzz::check(c.pos <= size, "the cursor stays inside the file");
    if (st == RsfStatus::kOk) {
      fuzz::check(c.pos > before, "a group moves the cursor");
      check_group(grp, *rsf_layout(c.nhts));
    } else if (st == RsfStatus::kBlockEnd) {
      fuzz::check(c.icall == 0, "a block end starts the count again");
      st = next_header(c, hdr);
    } else {
      fuzz::check(c.pos == before, "a failure leaves the cursor");
    }
  }
  return 0;
}
