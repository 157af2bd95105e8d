// Fuzz target: ptfit's parameter file and what start-up does with it. The
// input's first line is the answer to "enter number of parameters"; the
// rest is the parameter file, read by read_paramsfile from a temporary file.
// A table that was read gets its starting state and is listed, as process
// 0 lists it. Checks that the table is made exactly when every record was
// read, with one record of a 20-character name per parameter.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "report.h"
#include "startup.h"

namespace {

// Each record's table costs about 160 kB: counts beyond this many say
// nothing new about the reader and only slow the fuzzer down.
constexpr int32_t kMaxParams = 32;

// One temporary file for the whole fuzzing process, removed at its end.
const std::string& params_path() {
  static const std::string path = [] {
    char name[] = "/tmp/paramsfile_fuzz_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) fuzz::broken("cannot make a temporary file");
    close(fd);
    return std::string(name);
  }();
  static const int removed_at_exit =
      std::atexit([] { std::remove(params_path().c_str()); });
  (void)removed_at_exit;
  return path;
}

bool write_file(const std::string& path, std::string_view text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t eol = all.find('\n');
  if (eol == std::string_view::npos) return 0;

  ptfit::Global g;
  std::istringstream answer{std::string(all.substr(0, eol))};
  textio::LineSource in;
  in.in = &answer;
  in.name = "standard input";
  const textio::ReadResult r = textio::read_list(
      in, {textio::item(g.nparams), textio::item(g.nparams2)});
  if (r.status != textio::ReadStatus::kOk || g.nparams > kMaxParams) return 0;

  if (!write_file(params_path(), all.substr(eol + 1))) {
    fuzz::broken("cannot write the temporary file");
  }
  g.paramsfile = params_path();
  g.paramsfile.resize(200, ' ');
  const ptfit::Status s = ptfit::read_paramsfile(g);
  if (!s.ok()) {
    fuzz::check(!s.message.empty(), "a stop or an error says why");
    fuzz::check(g.fitparams.empty(), "no table after a failure");
    return 0;
  }
  fuzz::check(g.fitparams.size() == static_cast<size_t>(std::max(g.nparams, 0)),
              "one record per parameter");
  for (const ptfit::Fitparam& p : g.fitparams) {
    fuzz::check(p.name.size() == 20, "a name of 20 characters");
  }
  ptfit::RunConfig c;
  ptfit::init_parameters(g, c);
  const std::vector<std::string> listing = ptfit::parameter_listing(g);
  fuzz::check(listing.size() == g.fitparams.size() + 3, "the listing");
  for (size_t j = 3; j < listing.size(); ++j) {
    fuzz::check(listing[j].size() == 20 + 4 * 12, "(A20,4G12.3) fills 68");
  }
  return 0;
}
