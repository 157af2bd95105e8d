// How a phase of ptfit ended: the run goes on, an orderly stop, or input
// that could not be read. The phases of process 0 (data input, run
// dialogue) return one, as do main's start-up checks; main prints its
// message and turns its code into the stop flag that process 0 broadcasts
// and into the exit status.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "freeform_in.h"

namespace ptfit {

struct Status {
  enum class Code : int32_t {
    kOk = 0,          // the run goes on
    kStop = 1,        // an orderly early end (exit status 1)
    kInputError = 2,  // an answer or record could not be read (exit status 2)
  };

  Code code = Code::kOk;
  // kStop: the line for standard output (without its leading blank);
  // kInputError: the diagnostic for standard error; kOk: empty.
  std::string message;
  // kStop: a line for standard error that gives the reason (why a file
  // could not be opened), or empty.
  std::string detail;

  bool ok() const { return code == Code::kOk; }
  friend bool operator==(const Status&, const Status&) = default;

  static Status stop(std::string message, std::string detail = {}) {
    return {Code::kStop, std::move(message), std::move(detail)};
  }
  static Status input_error(std::string diagnostic) {
    return {Code::kInputError, std::move(diagnostic), {}};
  }
};

// The status of a free-form read: ok, or an input error carrying the read's
// diagnostic (an early end of the input included).
inline Status read_status(const textio::ReadResult& r) {
  if (r.status == textio::ReadStatus::kOk) return {};
  return Status::input_error(r.message);
}

// One free-form read of `items` from `in`, and its status.
inline Status read_answer(textio::LineSource& in,
                          std::initializer_list<textio::Item> items) {
  return read_status(textio::read_list(in, items));
}

// One free-form read for each list of `reads` in turn, up to the first that
// fails; the status of that one (ok when all are read).
inline Status read_answers(
    textio::LineSource& in,
    std::initializer_list<std::initializer_list<textio::Item>> reads) {
  for (const std::initializer_list<textio::Item>& items : reads) {
    Status s = read_answer(in, items);
    if (!s.ok()) return s;
  }
  return {};
}

}  // namespace ptfit
