// The last resort of a program's main: an exception that escapes the run
// (running out of memory, say) ends it with one line and a non-zero status
// instead of an abort.
#pragma once

#include <string_view>

namespace textio {

// Reports the exception being handled: flushes standard output, prints
// "<program>: <what>" on standard error and returns the exit status 1.
// REQUIRES: called inside a catch block.
int report_exception(std::string_view program);

}  // namespace textio
