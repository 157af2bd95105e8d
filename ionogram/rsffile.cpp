// Whole-file and file-head reads with POSIX calls, in blocks of 1 MiB.
#include "rsffile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "regular_file.h"

namespace ionoscan {

FileStatus read_file_bytes(const std::string& path,
                           std::size_t limit,
                           std::vector<uint8_t>& buf,
                           std::string* why) {
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  std::string reason;
  const int fd = textio::open_regular(path, false, reason);
  if (fd < 0) {
    if (why != nullptr) *why = reason;
    buf.clear();
    return FileStatus::kCannotOpen;
  }
  struct stat st {};
  std::size_t guess = kChunk;
  const bool have_stat = ::fstat(fd, &st) == 0;
  if (have_stat && st.st_size >= 0) {
    guess = static_cast<std::size_t>(st.st_size) + 1;  // +1 to see the end
  }
  buf.resize(std::min(limit, guess));
  std::size_t have = 0;
  FileStatus status = FileStatus::kOk;
  while (have < limit) {
    if (have == buf.size()) buf.resize(std::min(limit, buf.size() + kChunk));
    const std::size_t want = std::min(buf.size() - have, kChunk);
    const ssize_t got = ::read(fd, buf.data() + have, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      status = FileStatus::kReadError;
      if (why != nullptr) *why = std::strerror(errno);
      break;
    }
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  ::close(fd);
  buf.resize(have);
  return status;
}

}  // namespace ionoscan
