// Reading series files whole with plain system calls, and rewriting them
// through a temporary file (atomic_file.h).
#include "series_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "atomic_file.h"

namespace append {

using textio::SeriesRecord;

namespace {

// Reads the open file `fd` to its end into `text`. False with `error` (the
// system's reason) on failure.
bool read_all(int fd, std::string& text, std::string& error) {
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    text.reserve(static_cast<size_t>(st.st_size) + 1);
  }
  constexpr size_t kChunk = 1 << 20;
  for (;;) {
    size_t used = text.size();
    text.resize(used + kChunk);
    ssize_t got = ::read(fd, text.data() + used, kChunk);
    if (got < 0) {
      text.resize(used);
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return false;
    }
    text.resize(used + static_cast<size_t>(got));
    if (got == 0) return true;
  }
}

}  // namespace

LoadResult parse_series_text(std::string_view text,
                             std::string_view name,
                             std::vector<SeriesRecord>& data) {
  data.clear();
  data.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) +
               1);
  std::string why;
  long lineno = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    ++lineno;
    SeriesRecord r;
    if (!textio::parse_series_line(text.substr(pos, end - pos), r, why)) {
      return {LoadStatus::kBadLine,
              "error reading file " + std::string(name) + ", line " +
                  std::to_string(lineno) + ": " + why};
    }
    data.push_back(r);
    pos = end + 1;
  }
  return {};
}

LoadResult load_data(const std::string& path,
                     bool create,
                     std::vector<SeriesRecord>& data) {
  data.clear();
  int flags = O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0);
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    return {LoadStatus::kCannotOpen,
            std::string(create ? "cannot open or create file "
                               : "cannot open file ") +
                path + ": " + std::strerror(errno)};
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return {LoadStatus::kCannotOpen,
            "cannot open file " + path + ": " + std::strerror(EISDIR)};
  }
  std::string text, error;
  bool ok = read_all(fd, text, error);
  ::close(fd);
  if (!ok) {
    return {LoadStatus::kCannotRead,
            "error reading file " + path + ": " + error};
  }
  return parse_series_text(text, path, data);
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
