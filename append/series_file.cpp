// Reading series files a block at a time with plain system calls, and
// rewriting them through a temporary file (atomic_file.h).
#include "series_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "atomic_file.h"
#include "regular_file.h"

namespace append {

using textio::SeriesRecord;

namespace {

// The message of a line that is no record: file, line and why.
LoadResult bad_line(std::string_view name,
                    long lineno,
                    const std::string& why) {
  return {LoadStatus::kBadLine,
          "error reading file " + std::string(name) + ", line " +
              std::to_string(lineno) + ": " + why};
}

// Takes `text` as line `lineno` of file `name` into `data`: one record, or
// the message that refuses it. A UTF-8 byte-order mark that starts the
// first line is dropped.
LoadResult take_line(std::string_view text,
                     std::string_view name,
                     long lineno,
                     std::vector<SeriesRecord>& data) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (lineno == 1 && text.starts_with(kByteOrderMark)) {
    text.remove_prefix(kByteOrderMark.size());
  }
  SeriesRecord r;
  std::string why;
  if (!textio::parse_series_line(text, r, why)) {
    return bad_line(name, lineno, why);
  }
  data.push_back(r);
  return {};
}

// Reads the open file `fd` (named `name`) in blocks, one record a line,
// into `data`. A line longer than textio::kMaxLineLength is refused before
// more of it is held.
LoadResult read_records(int fd,
                        std::string_view name,
                        std::vector<SeriesRecord>& data) {
  constexpr size_t kChunk = 1 << 20;
  std::vector<char> chunk(kChunk);
  std::string pending;  // the start of a line whose end is not read yet
  long lineno = 0;
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), kChunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {LoadStatus::kCannotRead,
              "error reading file " + std::string(name) + ": " +
                  std::strerror(errno)};
    }
    if (got == 0) break;
    std::string_view block(chunk.data(), static_cast<size_t>(got));
    while (!block.empty()) {
      const size_t nl = block.find('\n');
      const std::string_view part = block.substr(0, nl);
      if (pending.size() + part.size() > textio::kMaxLineLength) {
        return bad_line(name,
                        lineno + 1,
                        "longer than " +
                            std::to_string(textio::kMaxLineLength) +
                            " characters");
      }
      if (nl == std::string_view::npos) {
        pending.append(part);
        break;
      }
      LoadResult r;
      if (pending.empty()) {
        r = take_line(part, name, ++lineno, data);
      } else {
        pending.append(part);
        r = take_line(pending, name, ++lineno, data);
        pending.clear();
      }
      if (r.status != LoadStatus::kOk) return r;
      block.remove_prefix(nl + 1);
    }
  }
  // A last line without a newline counts.
  if (!pending.empty()) return take_line(pending, name, ++lineno, data);
  return {};
}

}  // namespace

LoadResult load_data(const std::string& path,
                     bool create,
                     std::vector<SeriesRecord>& data) {
  data.clear();
  std::string why;
  const int fd = textio::open_regular(path, create, why);
  if (fd < 0) {
    return {LoadStatus::kCannotOpen,
            std::string(create ? "cannot open or create file "
                               : "cannot open file ") +
                path + ": " + why};
  }
  LoadResult r = read_records(fd, path, data);
  ::close(fd);
  if (r.status != LoadStatus::kOk) data.clear();
  return r;
}

bool write_series(const std::string& path,
                  const std::vector<SeriesRecord>& data,
                  long& written,
                  std::string& error,
                  bool& untouched) {
  untouched = true;
  written = 0;
  for (const SeriesRecord& r : data) written += textio::is_empty(r) ? 0 : 1;
  if (written == 0) return true;

  textio::AtomicFile f;
  if (!textio::atomic_open(f, path)) {
    error = f.error;
    written = 0;
    return false;
  }
  for (const SeriesRecord& r : data) {
    if (textio::is_empty(r)) continue;
    textio::atomic_write(f, textio::format_series(r));
    textio::atomic_write(f, "\n");
  }
  if (!textio::atomic_commit(f)) {
    error = f.error;
    untouched = f.kept.empty();
    written = 0;
    return false;
  }
  return true;
}

}  // namespace append
