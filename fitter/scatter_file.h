// The scatter file of process 0 ("scatter_0"), written in one of two ways.
// Ordinarily it grows in a temporary file beside it that replaces it when
// the run ends, so that a run killed midway leaves the previous file whole.
// A run that writes checkpoints (--resume) writes it in place instead: the
// records of a block are written out at the block end (and synced before
// the checkpoint, checkpoint_writer.h), so that its length at every block
// end is known and a resumed run can cut it back to the length its
// checkpoint recorded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "atomic_file.h"

namespace ptfit {

struct ScatterFile {
  bool in_place = false;
  textio::AtomicFile atomic;  // not in place
  int fd = -1;                // in place
  std::string buffer;         // in place: records not yet written
  int64_t length = 0;         // in place: bytes in the file, whole records
  bool open = false;          // records are kept
  std::string error;          // why it could not be opened or written
  bool reported = false;      // in place: a failed write was said
};

// Creates or replaces `path` (in place, or through a temporary file) with
// `header` as its start. False, with f.error, when it cannot be made; no
// record is kept then.
bool scatter_open(ScatterFile& f,
                  const std::string& path,
                  bool in_place,
                  std::string_view header);

// Opens the existing file `path` in place and cuts it to `length` bytes
// (what a checkpoint recorded), the records to come following them. False,
// with f.error, when it cannot be opened or holds fewer bytes.
bool scatter_reopen(ScatterFile& f, const std::string& path, int64_t length);

// Appends one record (with its newline).
void scatter_append(ScatterFile& f, std::string_view record);

// At a block end, in place: writes out the block's records. False, with
// f.error, once when that or an earlier write of the block failed: the file
// is cut back to its whole records and keeps no more. True otherwise (and
// always when not in place).
bool scatter_block_end(ScatterFile& f);

// At the end of the run: the temporary file replaces the target, or the
// last records are written out. False, with f.error, when that fails.
bool scatter_close(ScatterFile& f);

}  // namespace ptfit
