#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace textio {
namespace {

constexpr size_t kFlushAt = 1 << 20;

void fail(AtomicFile& f, const std::string& what) {
  if (!f.failed) {
    f.failed = true;
    f.error = what + ": " + std::strerror(errno);
  }
}

void flush_buffer(AtomicFile& f) {
  size_t done = 0;
  while (!f.failed && done < f.buffer.size()) {
    ssize_t n = ::write(f.fd, f.buffer.data() + done, f.buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(f, "cannot write " + f.path);
    } else {
      done += size_t(n);
    }
  }
  f.buffer.clear();
}

}  // namespace

bool atomic_open(AtomicFile& f, const std::string& path) {
  f = AtomicFile{};
  f.path = path;
  std::string pattern = path + ".tmpXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  f.fd = ::mkstemp(name.data());
  if (f.fd < 0) {
    fail(f, "cannot create a temporary file beside " + path);
    return false;
  }
  f.tmp = name.data();
  // The result keeps the target's permission bits, or gets the usual ones
  // of a new file.
  struct stat st;
  mode_t mode;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(f.fd, mode);
  return true;
}

void atomic_write(AtomicFile& f, std::string_view text) {
  if (f.failed || f.fd < 0) return;
  f.buffer.append(text);
  if (f.buffer.size() >= kFlushAt) flush_buffer(f);
}

bool atomic_commit(AtomicFile& f) {
  if (f.fd < 0) return false;
  flush_buffer(f);
  if (!f.failed && ::fsync(f.fd) != 0) fail(f, "cannot write " + f.path);
  if (::close(f.fd) != 0) fail(f, "cannot write " + f.path);
  f.fd = -1;
  if (!f.failed && ::rename(f.tmp.c_str(), f.path.c_str()) != 0) {
    fail(f, "cannot replace " + f.path);
  }
  if (f.failed) {
    ::unlink(f.tmp.c_str());
    f.tmp.clear();
    return false;
  }
  f.tmp.clear();
  return true;
}

void atomic_abort(AtomicFile& f) {
  if (f.fd >= 0) ::close(f.fd);
  f.fd = -1;
  if (!f.tmp.empty()) ::unlink(f.tmp.c_str());
  f.tmp.clear();
  f.buffer.clear();
}

bool write_file_atomic(const std::string& path,
                       std::string_view text,
                       std::string& error) {
  AtomicFile f;
  if (!atomic_open(f, path)) {
    error = f.error;
    return false;
  }
  atomic_write(f, text);
  if (!atomic_commit(f)) {
    error = f.error;
    return false;
  }
  return true;
}

}  // namespace textio
