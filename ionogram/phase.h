// What every phase of the ionoscan run shares: the status it ends with,
// which the program turns into its exit status, and its one-line messages.
#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "freeform_out.h"

namespace ionoscan {

// How a phase ended. A phase prints its own part of the dialogue, including
// the words of a stop or a refusal, on the run's output; only the message
// of an input error travels up, for standard error.
struct Status {
  enum class Code {
    kOk,          // the phase did its work: the run goes on (or is complete)
    kStop,        // a stop the dialogue has reported in its own words:
                  // exit status 1
    kRefused,     // a run we refuse (an answer out of range, a sounding
                  // off the grid, no memory, no output): exit status 1
    kInputError,  // an answer that cannot be read, or an input file that
                  // ends where it must not: exit status 2
  };
  Code code = Code::kOk;
  std::string message;  // kInputError: the line for standard error

  bool ok() const { return code == Code::kOk; }
};

inline Status stopped() { return {Status::Code::kStop, {}}; }
inline Status refused() { return {Status::Code::kRefused, {}}; }
inline Status input_error(std::string message) {
  return {Status::Code::kInputError, std::move(message)};
}

// The exit status of a run that ended with `s`: 0 for a complete run, 1 for
// a stop or a refusal, 2 for an input error.
inline int exit_status(const Status& s) {
  switch (s.code) {
    case Status::Code::kOk:
      return 0;
    case Status::Code::kStop:
    case Status::Code::kRefused:
      return 1;
    case Status::Code::kInputError:
      return 2;
  }
  return 1;
}

// Writes one free-form line of `items` (" a b c") to `out`.
template <class... A>
void say(std::ostream& out, const A&... items) {
  out << textio::free_line(items...) << '\n';
}

}  // namespace ionoscan
