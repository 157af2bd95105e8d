#include "command_line.h"

#include <cstdio>
#include <string>

namespace textio {

CommandLine read_command_line(int argc, const char* const* argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      cl.ask = CommandLine::Ask::kHelp;
    } else if (arg == "--version") {
      cl.ask = CommandLine::Ask::kVersion;
    } else {
      cl.ask = CommandLine::Ask::kRefused;
      cl.refused = arg;
    }
    return cl;
  }
  return cl;
}

int answer_command_line(const CommandLine& cl,
                        std::string_view program,
                        std::string_view usage) {
  switch (cl.ask) {
    case CommandLine::Ask::kHelp:
      std::fwrite(usage.data(), 1, usage.size(), stdout);
      std::fflush(stdout);
      return 0;
    case CommandLine::Ask::kVersion:
      return print_version(program);
    default:
      return refuse_argument(program, refusal_of(cl.refused));
  }
}

int print_version(std::string_view program) {
  std::printf("%.*s %s\n",
              static_cast<int>(program.size()),
              program.data(),
              IONO_VERSION);
  std::fflush(stdout);
  return 0;
}

int refuse_argument(std::string_view program, std::string_view what) {
  const int n = static_cast<int>(program.size());
  std::fprintf(stderr,
               "%.*s: %.*s (see %.*s --help)\n",
               n,
               program.data(),
               static_cast<int>(what.size()),
               what.data(),
               n,
               program.data());
  return 2;
}

std::string refusal_of(std::string_view arg) {
  if (arg.size() > 1 && arg[0] == '-') {
    return "unknown option " + std::string(arg);
  }
  return "unexpected argument " + std::string(arg);
}

}  // namespace textio
