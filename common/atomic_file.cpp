// Files written whole: a temporary file beside the file written, then a
// rename over it or, for a file of several hard links, a copy in place.
#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "regular_file.h"

namespace textio {
namespace {

constexpr size_t kFlushAt = 1 << 20;
constexpr int kMaxLinks = 40;  // as the system follows them

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

// The file that `path` names once the symbolic links of its last part are
// followed (a relative link counts from the link's directory); a dangling
// link gives the path it points to. False, with errno ELOOP, after
// kMaxLinks links.
bool end_of_links(const std::string& path, std::string& file) {
  file = path;
  for (int n = 0; n <= kMaxLinks; ++n) {
    struct stat st;
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    if (n == kMaxLinks) break;
    std::vector<char> buf(static_cast<size_t>(std::max<off_t>(st.st_size, 0)) +
                          PATH_MAX);
    const ssize_t len = ::readlink(file.c_str(), buf.data(), buf.size());
    if (len <= 0 || static_cast<size_t>(len) >= buf.size()) return true;
    std::string target(buf.data(), static_cast<size_t>(len));
    const size_t slash = file.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) {
      target = file.substr(0, slash + 1) + target;
    }
    file = target;
  }
  errno = ELOOP;
  return false;
}

// Copies the flushed temporary file over f.file in place (same inode, so
// every hard link sees it), cuts it to the new length and flushes it. On a
// failure after the file was opened the temporary file is kept in f.kept.
bool copy_in_place(AtomicFile& f) {
  const int out = ::open(f.file.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) {
    fail(f, "cannot write " + f.path);
    return false;
  }
  int err = 0;  // errno of the first failure
  const off_t size = ::lseek(f.fd, 0, SEEK_END);
  if (size < 0) err = errno;
  std::vector<char> chunk(kFlushAt);
  for (off_t at = 0; err == 0 && at < size;) {
    const size_t want =
        static_cast<size_t>(std::min<off_t>(size - at, off_t(chunk.size())));
    const ssize_t got = ::pread(f.fd, chunk.data(), want, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      err = got == 0 ? EIO : errno;
      break;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t n =
          ::pwrite(out, chunk.data() + done, size_t(got - done), at + done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        err = errno;
        break;
      }
      done += n;
    }
    at += got;
  }
  if (err == 0 && ::ftruncate(out, size) != 0) err = errno;
  if (err == 0 && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && err == 0) err = errno;
  if (err == 0) return true;
  errno = err;
  fail(f, "cannot write " + f.path + " in place");
  f.kept = f.tmp;
  f.error += "; its new content is whole in " + f.tmp;
  return false;
}

}  // namespace

bool check_target(const std::string& path, std::string& error) {
  if (!nul_reason(path).empty()) {
    error = "cannot write a file whose name holds a NUL character";
    return false;
  }
  std::string file;
  if (!end_of_links(path, file)) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  // A name that leads nowhere yet is checked when the temporary file is
  // made beside it.
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) return true;
  if (!S_ISREG(st.st_mode)) {
    error = "cannot write " + path + ": " + not_regular_reason(st.st_mode);
    return false;
  }
  if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool atomic_open(AtomicFile& f, const std::string& path) {
  f = AtomicFile{};
  f.path = path;
  if (!check_target(path, f.error)) {
    f.failed = true;
    return false;
  }
  if (!end_of_links(path, f.file)) {
    fail(f, "cannot write " + path);
    return false;
  }
  struct stat st;
  const bool exists = ::stat(f.file.c_str(), &st) == 0;
  f.in_place = exists && S_ISREG(st.st_mode) && st.st_nlink > 1;
  std::string pattern = f.file + ".tmpXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  f.fd = ::mkstemp(name.data());
  if (f.fd < 0) {
    fail(f, "cannot create a temporary file beside " + f.file);
    return false;
  }
  f.tmp = name.data();
  // The result keeps the file's permission bits, owner and group (as far
  // as the process may give them), or gets the usual bits of a new file.
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
    if (::fchown(f.fd, st.st_uid, st.st_gid) != 0) {
      // Not allowed: the process's own owner; the bits still apply.
    }
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

bool atomic_flush(AtomicFile& f) {
  if (f.fd < 0) return false;
  flush_buffer(f);
  if (!f.failed && ::fsync(f.fd) != 0) fail(f, "cannot write " + f.path);
  if (f.failed) {
    atomic_abort(f);
    return false;
  }
  f.flushed = true;
  return true;
}

bool atomic_place(AtomicFile& f) {
  if (f.fd < 0 || !f.flushed) return false;
  if (f.in_place) copy_in_place(f);
  if (::close(f.fd) != 0) fail(f, "cannot write " + f.path);
  f.fd = -1;
  if (!f.failed && !f.in_place &&
      ::rename(f.tmp.c_str(), f.file.c_str()) != 0) {
    fail(f, "cannot replace " + f.path);
  }
  if (!f.kept.empty()) {
    f.tmp.clear();
    return false;
  }
  // The content is in place (or the file as it was): the temporary file
  // goes.
  if (f.failed || f.in_place) ::unlink(f.tmp.c_str());
  f.tmp.clear();
  return !f.failed;
}

bool atomic_commit(AtomicFile& f) { return atomic_flush(f) && atomic_place(f); }

void atomic_abort(AtomicFile& f) {
  if (f.fd >= 0) ::close(f.fd);
  f.fd = -1;
  if (!f.tmp.empty()) ::unlink(f.tmp.c_str());
  f.tmp.clear();
  f.buffer.clear();
}

void remove_left_temporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : ".";
  const std::string stem = target.filename().string() + ".tmp";
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec);
       !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != stem.size() + 6 || name.rfind(stem, 0) != 0) continue;
    const bool random_part =
        std::all_of(name.begin() + stem.size(), name.end(), [](char ch) {
          return std::isalnum(static_cast<unsigned char>(ch)) != 0;
        });
    std::error_code ignored;
    if (random_part && it->is_regular_file(ignored)) {
      fs::remove(it->path(), ignored);
    }
  }
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
