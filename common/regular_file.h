// Input files are regular files. A pipe without a writer blocks the open
// that reads it, and a pipe or a device (/dev/zero) feeds a read that
// never ends; a file of that kind is refused before it is opened.
#pragma once

#include <sys/types.h>

#include <string>

namespace textio {

// The reason to give for a file of mode `mode` that is not a regular file:
// "Is a directory", "not a regular file (a pipe)", "... (a device)", "...
// (a socket)".
std::string not_regular_reason(mode_t mode);

// A name that holds a NUL character names no file: the system would take
// only the part before it (another file). The reason to give, or "".
std::string nul_reason(const std::string& path);

// Whether `path` names a regular file (links followed). False with the
// reason in `why` (the system's reason when it cannot be looked at).
bool is_regular(const std::string& path, std::string& why);

// Opens `path` for reading (a descriptor, or -1 with the reason in `why`)
// when it names a regular file, checked before the open and again on the
// open file, which never waits for a writer. With `create`, a name that
// leads to no file yet gets an empty regular file.
int open_regular(const std::string& path, bool create, std::string& why);

}  // namespace textio
