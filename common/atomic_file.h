// Output files that appear whole or not at all: the text goes to a
// temporary file beside the file written, is flushed to disk and then
// takes its place. What that place is depends on the target:
//   - a regular file with one name, or no file yet: the temporary file is
//     renamed over it;
//   - a symbolic link (or a chain of them): the file it points to is
//     written as above, beside it, and the link stays a link;
//   - a regular file with several hard links: the complete new content is
//     flushed to the temporary file first, then copied over the file in
//     place and flushed, then the temporary file is removed, so every name
//     keeps sharing the content. Should the copy fail midway, the file may
//     be partly rewritten, but the temporary file is kept: the new content
//     is never lost.
// An existing file keeps its permission bits (and its owner and group,
// where the process may set them). A file that exists must be a regular
// file that the process may write: a directory, a device, a pipe or a file
// without write permission is never replaced.
#pragma once

#include <string>
#include <string_view>

namespace textio {

struct AtomicFile {
  std::string path;  // the target as named
  std::string file;  // the file written: path, or the end of its links
  std::string tmp;   // the temporary file, empty when none is open
  int fd = -1;
  bool flushed = false;   // the whole text is on disk in `tmp`
  bool in_place = false;  // copied over `file` at the commit (hard links)
  std::string buffer;     // text not yet written to fd
  bool failed = false;
  std::string error;  // what went wrong, for the user
  std::string kept;   // after a failed in-place copy: the temporary file
                      // that holds the whole new content; else empty
};

// Whether `path` may be written: once its links are followed it names no
// file yet, or a regular file that the process may write. False with a
// message naming `path` and the reason.
bool check_target(const std::string& path, std::string& error);

// Opens a temporary file beside the file that `path` names, after
// check_target. False (with f.error) on failure.
bool atomic_open(AtomicFile& f, const std::string& path);
// Appends text (buffered).
void atomic_write(AtomicFile& f, std::string_view text);
// Writes out and syncs the whole text to the temporary file; the target is
// not touched yet. On failure returns false, the temporary file removed.
// Several files that must appear together are all flushed before the
// first is placed.
bool atomic_flush(AtomicFile& f);
// Puts the flushed text in place. On failure returns false; the file is
// left as it was and the temporary file removed, except when an in-place
// copy failed midway (then f.kept names the temporary file and f.error
// says so).
// REQUIRES: atomic_flush(f) succeeded.
bool atomic_place(AtomicFile& f);
// atomic_flush, then atomic_place.
bool atomic_commit(AtomicFile& f);
// Drops the temporary file; the target is left as it was.
void atomic_abort(AtomicFile& f);

// Removes the temporary files that atomic_open made beside `path` and that
// a killed process left behind: "NAME.tmp" and six letters or digits, NAME
// being the last part of `path`. A run that goes on after a kill calls it
// for the files it writes whole.
void remove_left_temporaries(const std::string& path);

// Writes `text` to `path` whole or not at all (as atomic_commit).
bool write_file_atomic(const std::string& path,
                       std::string_view text,
                       std::string& error);

}  // namespace textio
