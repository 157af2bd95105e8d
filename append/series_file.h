// Series files as append reads and rewrites them: a file is taken whole,
// every line must hold exactly one record of 8 values, and the result is
// written whole or not at all.
#pragma once

#include <string>
#include <vector>

#include "series.h"

namespace append {

enum class LoadStatus {
  kOk,
  kCannotOpen,  // missing (when not created), not a regular file, no
                // permission
  kCannotRead,  // an error of the system while reading
  kBadLine,     // a line that is not one record of 8 values
};

struct LoadResult {
  LoadStatus status = LoadStatus::kOk;
  std::string message;  // for the user: file, line and what is wrong
};

// Reads the series file `path` into `data`, one record a line (a last line
// without a newline counts; an empty file is an empty series). Only a
// regular file is read (regular_file.h), and a line longer than
// textio::kMaxLineLength is refused before more of it is held. With
// `create`, a missing file is created empty (and the series is empty).
LoadResult load_data(const std::string& path,
                     bool create,
                     std::vector<textio::SeriesRecord>& data);

// Rewrites `path` with the non-empty records of `data`, in order, one
// free-form record per line, whole or not at all (see atomic_file.h for
// links); `written` tells how many. When there is none the file is left as
// it was. On failure returns false with `error`; `untouched` tells whether
// the file is as it was (false only when a copy over a hard-linked file
// failed midway: `error` then names the file that holds the new content).
bool write_series(const std::string& path,
                  const std::vector<textio::SeriesRecord>& data,
                  long& written,
                  std::string& error,
                  bool& untouched);

}  // namespace append
