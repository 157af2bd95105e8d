// The checks and the open of input files.
#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace textio {

std::string not_regular_reason(mode_t mode) {
  if (S_ISDIR(mode)) return std::strerror(EISDIR);
  if (S_ISFIFO(mode)) return "not a regular file (a pipe)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file (a device)";
  if (S_ISSOCK(mode)) return "not a regular file (a socket)";
  return "not a regular file";
}

std::string nul_reason(const std::string& path) {
  if (path.find('\0') == std::string::npos) return "";
  return "the name holds a NUL character";
}

bool is_regular(const std::string& path, std::string& why) {
  why = nul_reason(path);
  if (!why.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = not_regular_reason(st.st_mode);
    return false;
  }
  return true;
}

int open_regular(const std::string& path, bool create, std::string& why) {
  why = nul_reason(path);
  if (!why.empty()) return -1;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      why = not_regular_reason(st.st_mode);
      return -1;
    }
  } else if (!(create && errno == ENOENT)) {
    why = std::strerror(errno);
    return -1;
  }
  // Without waiting: should a pipe take the file's place meanwhile, the
  // open returns at once and the check below refuses it.
  const int fd =
      ::open(path.c_str(),
             O_RDONLY | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0),
             0666);
  if (fd < 0) {
    why = std::strerror(errno);
    return -1;
  }
  if (::fstat(fd, &st) != 0) {
    why = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    why = not_regular_reason(st.st_mode);
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace textio
