// What a folder holds, to tell whether a failed run left every file as it
// was: every entry below the folder with its kind, and the bytes of every
// regular file. Pipes and devices are listed, never opened.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace testsupport {

// Relative path -> "dir", "link to TARGET", "other", or "file " + bytes.
using DirSnapshot = std::map<std::string, std::string>;

// Adds the entries below `dir` to `s`, named relative to `top`.
inline void add_entries(const std::filesystem::path& top,
                        const std::filesystem::path& dir,
                        DirSnapshot& s) {
  namespace fs = std::filesystem;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().lexically_relative(top).string();
    const fs::file_status st = fs::symlink_status(e.path());
    if (fs::is_symlink(st)) {
      s[name] = "link to " + fs::read_symlink(e.path()).string();
    } else if (fs::is_directory(st)) {
      s[name] = "dir";
      add_entries(top, e.path(), s);
    } else if (fs::is_regular_file(st)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      s[name] = "file " + bytes.str();
    } else {
      s[name] = "other";
    }
  }
}

inline DirSnapshot snapshot(const std::string& dir) {
  DirSnapshot s;
  add_entries(dir, dir, s);
  return s;
}

// The entries that differ between two snapshots, one a line ("" when
// none): "changed NAME", "new NAME", "gone NAME".
inline std::string differences(const DirSnapshot& before,
                               const DirSnapshot& after) {
  std::string d;
  for (const auto& [name, what] : before) {
    const auto it = after.find(name);
    if (it == after.end()) {
      d += "gone " + name + "\n";
    } else if (it->second != what) {
      d += "changed " + name + "\n";
    }
  }
  for (const auto& [name, what] : after) {
    if (!before.count(name)) d += "new " + name + "\n";
  }
  return d;
}

}  // namespace testsupport
