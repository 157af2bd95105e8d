// The scatter file, through a temporary file or in place.
#include "scatter_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ptfit {

namespace {

constexpr size_t kWriteAt = 1 << 20;  // records held before a write

std::string reason() { return std::strerror(errno); }

// Writes the buffer at the end of the file. On a failure the file is cut
// back to its whole records and keeps no more.
bool write_out(ScatterFile& f) {
  size_t done = 0;
  while (done < f.buffer.size()) {
    const ssize_t n =
        ::write(f.fd, f.buffer.data() + done, f.buffer.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      f.error = "cannot write " + f.atomic.path + ": " +
                (n < 0 ? reason() : std::string("nothing written"));
      if (::ftruncate(f.fd, f.length) != 0) {
        f.error += " (and the last records are cut short)";
      }
      f.open = false;
      f.buffer.clear();
      return false;
    }
    done += size_t(n);
  }
  f.length += int64_t(done);
  f.buffer.clear();
  return true;
}

}  // namespace

bool scatter_open(ScatterFile& f,
                  const std::string& path,
                  bool in_place,
                  std::string_view header) {
  f.in_place = in_place;
  if (!in_place) {
    if (!textio::atomic_open(f.atomic, path)) {
      f.error = f.atomic.error;
      return false;
    }
    textio::atomic_write(f.atomic, header);
    f.open = true;
    return true;
  }
  f.atomic.path = path;
  if (!textio::check_target(path, f.error)) return false;
  f.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (f.fd < 0) {
    f.error = "cannot write " + path + ": " + reason();
    return false;
  }
  f.length = 0;
  f.buffer.assign(header);
  f.open = true;
  return true;
}

bool scatter_reopen(ScatterFile& f, const std::string& path, int64_t length) {
  f.in_place = true;
  f.atomic.path = path;
  if (!textio::check_target(path, f.error)) return false;
  f.fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  struct stat st;
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
    f.error = "cannot open " + path + ": " + reason();
    return false;
  }
  if (!S_ISREG(st.st_mode) || st.st_size < length) {
    f.error = path + " holds " + std::to_string(st.st_size) +
              " bytes, fewer than the " + std::to_string(length) +
              " of the checkpoint";
    return false;
  }
  if (::ftruncate(f.fd, length) != 0 || ::lseek(f.fd, 0, SEEK_END) != length) {
    f.error = "cannot cut " + path + " back: " + reason();
    return false;
  }
  f.length = length;
  f.open = true;
  return true;
}

void scatter_append(ScatterFile& f, std::string_view record) {
  if (!f.open) return;
  if (!f.in_place) {
    textio::atomic_write(f.atomic, record);
    return;
  }
  f.buffer.append(record);
  if (f.buffer.size() >= kWriteAt) write_out(f);
}

bool scatter_block_end(ScatterFile& f) {
  if (!f.in_place || f.fd < 0 || f.reported) return true;
  if (f.open && write_out(f)) return true;
  // A failure of this block, or of an earlier write of it: said once.
  f.reported = true;
  return false;
}

bool scatter_close(ScatterFile& f) {
  if (!f.in_place) {
    if (!f.open) return true;
    f.open = false;
    if (textio::atomic_commit(f.atomic)) return true;
    f.error = f.atomic.error;
    return false;
  }
  bool ok = true;
  if (f.open) ok = write_out(f);
  if (f.fd >= 0 && ::close(f.fd) != 0 && ok) {
    f.error = "cannot write " + f.atomic.path + ": " + reason();
    ok = false;
  }
  f.fd = -1;
  f.open = false;
  return ok;
}

}  // namespace ptfit
