// append's answer to --help, and what it says when it waits on a terminal.
#pragma once

namespace append {

inline constexpr const char* kUsage =
    "usage: append\n"
    "       append --help | --version\n"
    "Merges a second series file into a first one, in place, ordered by\n"
    "time stamp: a record of the second file replaces the first file's\n"
    "record of the same time, or is inserted before the first later one.\n"
    "Answers: from standard input, one a line (quote a path that holds a\n"
    "slash):\n"
    "  'all.dat'     the file to merge into (created when missing)\n"
    "  'more.dat'    the file to merge\n"
    "Reads both files; rewrites the first one whole or not at all. Messages\n"
    "go to standard output.\n"
    "Exit status: 0 merged, 1 a file that cannot be opened, read or written\n"
    "or a record that cannot be parsed (message on standard output), 2 an\n"
    "answer that cannot be read or a wrong argument (message on standard\n"
    "error).\n";

// Said on standard error when standard input is a terminal.
inline constexpr const char* kWaiting =
    "append: waiting for two file names on standard input (the file to "
    "merge into, then the file to merge)\n";

}  // namespace append
