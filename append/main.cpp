// append: merges a second series file into a first one, in place, ordered
// by time stamp. Reads the two file names from standard input; the first
// file is rewritten whole or not at all.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "catch_all.h"
#include "command_line.h"
#include "freeform_in.h"
#include "freeform_out.h"
#include "merge.h"
#include "series_file.h"
#include "usage.h"

namespace {

// One free-form line of the dialogue on standard output (one character
// item).
void say(std::string_view text) {
  std::cout << textio::free_line(text) << '\n' << std::flush;
}

// Exit status of an answer that cannot be read; 1 is that of every other
// failure.
constexpr int kInputError = 2;

// One file name from standard input (a free-form read of a character
// value of any length), without its trailing blanks. False, after the
// diagnostic on standard error, when it cannot be read.
bool read_name(textio::LineSource& in, std::string& name) {
  std::string answer;
  const textio::ReadResult r =
      textio::read_list(in, {textio::item_whole(answer)});
  if (r.status != textio::ReadStatus::kOk) {
    std::cerr << textio::input_error_line(r) << std::endl;
    return false;
  }
  name = textio::trimmed(answer);
  return true;
}

// The whole run; returns the exit status.
int run() {
  textio::LineSource in = textio::stdin_source();
  std::string first, second;
  if (!read_name(in, first)) return kInputError;
  say("read " + first);
  // The first file is rewritten in the end: one that may not be (a device,
  // a pipe, a folder, a file the user may not write) is refused before
  // anything is read or written.
  std::string refusal;
  if (!textio::check_target(first, refusal)) {
    say(refusal);
    return 1;
  }
  std::vector<textio::SeriesRecord> data;
  append::LoadResult loaded = append::load_data(first, true, data);
  if (loaded.status != append::LoadStatus::kOk) {
    say(loaded.message);
    return 1;
  }

  say("enter filename 1");
  if (!read_name(in, second)) return kInputError;
  say("read " + second);
  std::vector<textio::SeriesRecord> more;
  loaded = append::load_data(second, false, more);
  if (loaded.status == append::LoadStatus::kCannotOpen) {
    say("error opening file " + second);
    std::cerr << "append: " << loaded.message << std::endl;
    return 1;
  }
  if (loaded.status != append::LoadStatus::kOk) {
    say(loaded.message);
    return 1;
  }

  data = append::merge_series(data, more);
  long written = 0;
  std::string error;
  bool untouched = true;
  if (!append::write_series(first, data, written, error, untouched)) {
    say("error writing file " + first + " (" + error + ")" +
        (untouched ? "; the file is left as it was"
                   : "; the file may be partly rewritten"));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const textio::CommandLine cl = textio::read_command_line(argc, argv);
  if (cl.ask != textio::CommandLine::Ask::kRun) {
    return textio::answer_command_line(cl, "append", append::kUsage);
  }
  // A person at a terminal learns what the silence waits for.
  if (isatty(STDIN_FILENO)) std::cerr << append::kWaiting << std::flush;
  // Under a file size limit a write must fail (and be reported), not kill
  // the program.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return run();
  } catch (...) {
    return textio::report_exception("append");
  }
}
