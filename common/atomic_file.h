// Output files that appear whole or not at all: the text goes to a
// temporary file in the target's directory, is flushed to disk and renamed
// over the target. An existing target keeps its permission bits.
#pragma once

#include <string>
#include <string_view>

namespace textio {

struct AtomicFile {
  std::string path;  // the target
  std::string tmp;   // the temporary file, empty when none is open
  int fd = -1;
  std::string buffer;  // text not yet written to fd
  bool failed = false;
  std::string error;  // what went wrong, for the user
};

// Opens a temporary file beside `path`. False (with f.error) on failure.
bool atomic_open(AtomicFile& f, const std::string& path);
// Appends text (buffered).
void atomic_write(AtomicFile& f, std::string_view text);
// Writes out, syncs and renames over the target. On any failure removes the
// temporary file, leaves the target as it was and returns false.
bool atomic_commit(AtomicFile& f);
// Drops the temporary file; the target is left as it was.
void atomic_abort(AtomicFile& f);

// Writes `text` to `path` whole or not at all.
bool write_file_atomic(const std::string& path,
                       std::string_view text,
                       std::string& error);

}  // namespace textio
