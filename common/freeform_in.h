// Free-form (list-directed) input: answers on standard input, records of
// series and parameter files. One read starts on a new line, takes blank-,
// tab-, comma- or semicolon-separated values, goes on to further lines while
// it needs values, and drops the rest of its last line. Nulls (",,"), repeat
// counts ("3*1.5", "2*"), the slash that ends a read and quoted strings work
// as a Fortran list-directed READ treats them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace textio {

enum class ItemKind { kInt32, kReal64, kReal32, kLogical, kChar };

// The length of a character variable that takes its value whole.
inline constexpr int kWholeValue = -1;

// One variable of a read list. A character variable holds exactly `length`
// bytes (cut or padded with blanks), as a fixed-length string does, or with
// kWholeValue the value as it is, however long.
struct Item {
  ItemKind kind;
  void* target;
  int length = 0;  // kChar only
};

inline Item item(int32_t& v) { return {ItemKind::kInt32, &v, 0}; }
inline Item item(double& v) { return {ItemKind::kReal64, &v, 0}; }
inline Item item(float& v) { return {ItemKind::kReal32, &v, 0}; }
inline Item item(bool& v) { return {ItemKind::kLogical, &v, 0}; }
inline Item item(std::string& v, int length) {
  return {ItemKind::kChar, &v, length};
}
// A character variable that takes its value whole: a name of any length.
inline Item item_whole(std::string& v) {
  return {ItemKind::kChar, &v, kWholeValue};
}

// The longest line a reader holds, in bytes (newline not counted): far
// beyond any answer or record, and a bound on what a file without line
// ends (or an endless input) can make a read take.
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

// A text input taken line by line: standard input or a file.
struct LineSource {
  std::istream* in = nullptr;
  std::unique_ptr<std::ifstream> file;  // set when the source owns a file
  std::string name;                     // "standard input" or the file's path
  long lineno = 0;                      // number of the last line taken
  std::string error;  // why the source cannot be opened, or why the last
                      // next_line failed before the end ("" at the end)
};

// Standard input as a source.
LineSource stdin_source();
// Opens `path` for reading. Returns false (source unusable, the reason in
// src.error) unless it names a regular file that can be opened: a
// directory holds no lines, and a pipe or a device is refused before it is
// opened (see regular_file.h).
bool open_source(LineSource& src, const std::string& path);
// Goes back to the first line of a file source.
void rewind(LineSource& src);
// Takes the next line into `line` (without its newline; a UTF-8 byte-order
// mark that starts the first line is dropped). False at the end, and when
// the line is longer than kMaxLineLength (src.error then says so, naming
// the source and the line).
bool next_line(LineSource& src, std::string& line);

enum class ReadStatus { kOk, kEof, kError };

struct ReadResult {
  ReadStatus status = ReadStatus::kOk;
  std::string message;  // diagnostic naming source, line, text and type
};

// One free-form read of `items`. Items before a failure keep their new
// values; the failing item and those after it are unchanged. A read with no
// items skips one line (kEof when none is left). A line longer than
// kMaxLineLength is an error (kError).
ReadResult read_list(LineSource& src, std::span<const Item> items);
inline ReadResult read_list(LineSource& src,
                            std::initializer_list<Item> items) {
  return read_list(src, std::span<const Item>(items.begin(), items.size()));
}

// A whole-line character read such as "(A100)": the next line as it is, cut
// or padded with blanks to `length` (kWholeValue: as it is). kEof when no line
// is left; kError for a line longer than kMaxLineLength.
ReadResult read_line(LineSource& src, std::string& out, int length);

// The line that reports the failed read `r` to the user: "input error: "
// and its diagnostic. (The programs print it on standard error and end with
// status 2.)
std::string input_error_line(const ReadResult& r);

// `s` without its trailing blanks.
std::string_view trimmed(std::string_view s);

// Text of the input shown in a message: `text` in double quotes, or, when
// it is longer than 40 characters, its first 40 followed by "..." and its
// length, so that a long token never fills the message: "abc", "xxxx...
// (1048576 characters)".
std::string quoted_excerpt(std::string_view text);

}  // namespace textio
