// ptfit's command line.
#include "options.h"

#include <charconv>

namespace ptfit {

bool read_seed(std::string_view text, uint64_t& seed, std::string& refusal) {
  const std::string shown = "--seed " + std::string(text.substr(0, 40)) +
                            (text.size() > 40 ? "..." : "");
  if (text.empty() || text.find_first_not_of("0123456789") != text.npos) {
    refusal = shown + ": the seed must be a non-negative integer";
    return false;
  }
  const auto r = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    refusal = shown + ": the seed must be below 2^64";
    return false;
  }
  return true;
}

PtfitOptions read_options(int argc, const char* const* argv) {
  using Ask = textio::CommandLine::Ask;
  PtfitOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "--version") {
      o.ask = arg == "--help" ? Ask::kHelp : Ask::kVersion;
      return o;
    }
    if (arg == "--resume") {
      o.resume = true;
    } else if (arg == "--progress") {
      o.progress = true;
    } else if (arg == "--seed" || arg.starts_with("--seed=")) {
      std::string_view value;
      if (arg != "--seed") {
        value = arg.substr(7);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        o.ask = Ask::kRefused;
        o.refusal = "--seed needs a value";
        return o;
      }
      if (!read_seed(value, o.seed, o.refusal)) {
        o.ask = Ask::kRefused;
        return o;
      }
      o.seeded = true;
    } else {
      o.ask = Ask::kRefused;
      o.refusal = textio::refusal_of(arg);
      return o;
    }
  }
  return o;
}

int32_t read_kill_point(const char* text) {
  if (text == nullptr) return 0;
  const std::string_view t = text;
  int32_t k = 0;
  const auto got = std::from_chars(t.data(), t.data() + t.size(), k);
  if (got.ec != std::errc() || got.ptr != t.data() + t.size() || k < 1) {
    return 0;
  }
  return k;
}

}  // namespace ptfit
