// The command line of the suite's programs. A run takes no arguments (its
// answers come from a file or from standard input); every program also
// answers --help (its usage) and --version ("NAME 1.0.0"), both on standard
// output with status 0, and refuses anything else with one line on
// standard error ("NAME: unknown option -x (see NAME --help)") and status 2.
#pragma once

#include <string>
#include <string_view>

namespace textio {

// What a command line asks of a program that takes no arguments.
struct CommandLine {
  enum class Ask { kRun, kHelp, kVersion, kRefused };
  Ask ask = Ask::kRun;
  std::string refused;  // kRefused: the argument refused
};

// Reads argv[1] to argv[argc - 1] in order: none means a run; --help or
// --version asks for that; the first other argument is refused.
CommandLine read_command_line(int argc, const char* const* argv);

// Does what `cl` asks when it is no run: the usage `usage` or the version of
// `program` on standard output, or the refusal on standard error. Returns
// the exit status (0, or 2 for a refusal).
// REQUIRES: cl.ask != kRun.
int answer_command_line(const CommandLine& cl,
                        std::string_view program,
                        std::string_view usage);

// Prints "PROGRAM VERSION" (the project's version) on standard output;
// returns 0.
int print_version(std::string_view program);

// Prints "PROGRAM: WHAT (see PROGRAM --help)" on standard error; returns 2.
int refuse_argument(std::string_view program, std::string_view what);

// The words of a refused argument: "unknown option --x" for one that starts
// with '-', else "unexpected argument x".
std::string refusal_of(std::string_view arg);

}  // namespace textio
