// A fresh temporary directory for one test, removed with its files at the
// end: the place where end-to-end tests write inputs and run the programs.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testsupport {

struct TempDir {
  std::string path;

  explicit TempDir(const std::string& prefix = "iono") {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX"))
            .string();
    if (mkdtemp(tmpl.data()) == nullptr) {
      throw std::runtime_error("cannot create " + tmpl);
    }
    path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The full path of `name` inside the directory.
  std::string at(const std::string& name) const { return path + "/" + name; }
  // Writes `text` as `name`; returns its full path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(at(name), std::ios::binary) << text;
    return at(name);
  }
  // The whole content of `name` ("" when it does not exist).
  std::string read(const std::string& name) const {
    std::ifstream in(at(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) const {
    return std::filesystem::exists(at(name));
  }
  // Number of entries in the directory.
  long entries() const {
    return std::distance(std::filesystem::directory_iterator(path),
                         std::filesystem::directory_iterator());
  }
};

}  // namespace testsupport
