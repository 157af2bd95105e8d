// A fuzz target's main outside a fuzzing build: runs the target once on
// every file named, and on every file of every folder named (the committed
// corpus), so that the inputs that once broke a decoder are tried by every
// build and test run. Exit status 0 when all ran; a broken promise aborts.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool run_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                         bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  long runs = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(argv[i], ec)) {
      for (const fs::directory_entry& e : fs::directory_iterator(argv[i], ec)) {
        if (e.is_regular_file()) files.push_back(e.path());
      }
    } else {
      files.emplace_back(argv[i]);
    }
    if (ec || files.empty()) {
      std::fprintf(stderr, "%s: nothing to run in %s\n", argv[0], argv[i]);
      return 1;
    }
    for (const fs::path& f : files) {
      if (!run_file(f)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], f.c_str());
        return 1;
      }
      ++runs;
    }
  }
  std::printf("%ld inputs ran\n", runs);
  return 0;
}
