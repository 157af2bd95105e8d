// Series files as append reads and rewrites them: a file is taken whole,
// every line must hold exactly one record of 8 values, and the result is
// written whole or not at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "series.h"

namespace append {

enum class LoadStatus {
  kOk,
  kCannotOpen,  // missing (when not created), a directory, no permission
  kCannotRead,  // an error of the system while reading
  kBadLine,     // a line that is not one record of 8 values
};

struct LoadResult {
  LoadStatus status = LoadStatus::kOk;
  std::string message;  // for the user: file, line and what is wrong
};

// Splits `text` (the contents of file `name`) into lines and parses each as
// one series record into `data` (replacing its contents). A last line
// without a newline counts; an empty text is an empty series.
LoadResult parse_series_text(std::string_view text,
                             std::string_view name,
                             std::vector<textio::SeriesRecord>& data);

// Reads the series file `path` into `data`. With `create`, a missing file
// is created empty (and the series is empty).
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
