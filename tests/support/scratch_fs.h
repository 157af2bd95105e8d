// Places where writing fails, for the tests of outputs that cannot be
// written: a small file system that fills up, and a file or folder that
// cannot be written even by root. Both need the rights of root to set up; where
// the system refuses, `ready` is false and `why` says why (the test skips).
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace testsupport {

// A tmpfs of `kib` KiB mounted on the new folder `path`, unmounted at the
// end.
struct SmallDisk {
  std::string path;
  bool ready = false;
  std::string why;

  SmallDisk(const std::string& p, int kib) : path(p) {
    std::filesystem::create_directory(path);
    const std::string opts = "size=" + std::to_string(kib) + "k";
    ready = ::mount("tmpfs", path.c_str(), "tmpfs", 0, opts.c_str()) == 0;
    if (!ready)
      why = "cannot mount a small tmpfs: " + std::string(strerror(errno));
  }
  ~SmallDisk() {
    if (ready) ::umount2(path.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
};

// Writes zeros into the new file `path` until its file system is full.
inline void fill_up(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string zeros(4096, '\0');
  while (::write(fd, zeros.data(), zeros.size()) > 0) {
  }
  ::close(fd);
}

// The file or folder `path` made read-only until the end: root ignores
// permission bits, so it is made immutable, or else mounted read-only on
// itself.
struct ReadOnly {
  std::string path;
  bool ready = false;
  bool immutable = false;
  std::string why;

  explicit ReadOnly(const std::string& p) : path(p) {
    immutable = set_immutable(true);
    if (immutable) {
      ready = true;
      return;
    }
    if (::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      why =
          "cannot make a folder read-only (no immutable flag, no bind "
          "mount: " +
          std::string(strerror(errno)) + ")";
      return;
    }
    ready = ::mount(nullptr,
                    path.c_str(),
                    nullptr,
                    MS_REMOUNT | MS_BIND | MS_RDONLY,
                    nullptr) == 0;
    if (!ready) {
      why =
          "cannot remount a folder read-only: " + std::string(strerror(errno));
      ::umount2(path.c_str(), MNT_DETACH);
    }
  }
  ~ReadOnly() {
    if (immutable) {
      set_immutable(false);
    } else if (ready) {
      ::umount2(path.c_str(), MNT_DETACH);
    }
  }
  ReadOnly(const ReadOnly&) = delete;
  ReadOnly& operator=(const ReadOnly&) = delete;

 private:
  bool set_immutable(bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }
};

}  // namespace testsupport
