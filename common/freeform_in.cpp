#include "freeform_in.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "freeform_detail.h"
#include "regular_file.h"

namespace textio {
namespace {

// The UTF-8 byte-order mark that some editors put at the start of a file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

const char* kind_name(ItemKind k) {
  switch (k) {
    case ItemKind::kInt32:
      return "an integer (int32)";
    case ItemKind::kReal64:
      return "a real (real64)";
    case ItemKind::kReal32:
      return "a real (real32)";
    case ItemKind::kLogical:
      return "a logical (T or F)";
    case ItemKind::kChar:
      return "a character string";
  }
  return "a value";
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool ends_value(char c) {
  return is_blank(c) || c == ',' || c == ';' || c == '/';
}
char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Position of a read inside the current line of its source.
struct Cursor {
  LineSource& src;
  std::string line;
  size_t pos = 0;
  bool at_end() const { return pos >= line.size(); }
  char peek() const { return line[pos]; }
};

// One lexed value: its text (quotes removed) and whether it was quoted.
struct Token {
  std::string text;
  bool quoted = false;
  bool null = false;  // a null value (comma, or r* without a constant)
  int repeat = 1;
};

enum class Scan { kValue, kSlash, kEof, kError };

// Reads a quoted string starting at the opening quote; may go on over line
// ends (which add nothing). Ends without error at the end of the input.
Scan scan_quoted(Cursor& c, Token& t, std::string& err) {
  const char q = c.peek();
  ++c.pos;
  t.quoted = true;
  for (;;) {
    if (c.at_end()) {
      if (!next_line(c.src, c.line)) return Scan::kValue;
      c.pos = 0;
      continue;
    }
    char ch = c.line[c.pos++];
    if (ch == q) {
      if (!c.at_end() && c.peek() == q) {
        t.text += q;
        ++c.pos;
        continue;
      }
      break;
    }
    t.text += ch;
  }
  if (!c.at_end() && !ends_value(c.peek())) {
    size_t e = c.pos;
    while (e < c.line.size() && !ends_value(c.line[e])) ++e;
    err = std::string(1, q) + t.text + std::string(1, q) +
          c.line.substr(c.pos, e - c.pos);
    return Scan::kError;
  }
  return Scan::kValue;
}

// Finds and lexes the next value of a read. Skips blanks and empty lines.
Scan scan_value(Cursor& c, Token& t, std::string& err) {
  t = Token{};
  for (;;) {
    while (!c.at_end() && is_blank(c.peek())) ++c.pos;
    if (!c.at_end()) break;
    if (!next_line(c.src, c.line)) return Scan::kEof;
    c.pos = 0;
  }
  char ch = c.peek();
  if (ch == '/') return Scan::kSlash;
  if (ch == ',' || ch == ';') {  // a null value, its comma taken with it
    ++c.pos;
    t.null = true;
    return Scan::kValue;
  }
  // A repeat count: digits followed by '*'; "r*" alone gives r nulls.
  size_t e = c.pos;
  while (e < c.line.size() && is_digit(c.line[e])) ++e;
  if (e > c.pos && e < c.line.size() && c.line[e] == '*') {
    long r = 0;
    for (size_t i = c.pos; i < e && r <= 1000000000L; ++i) {
      r = r * 10 + (c.line[i] - '0');
    }
    if (r <= 0 || r > 1000000000L) {
      err = c.line.substr(c.pos, e + 1 - c.pos);
      return Scan::kError;
    }
    t.repeat = int(r);
    c.pos = e + 1;
    t.null = c.at_end() || ends_value(c.peek());
  }
  if (!t.null) {
    if (c.peek() == '\'' || c.peek() == '"') {
      Scan s = scan_quoted(c, t, err);
      if (s != Scan::kValue) return s;
    } else {
      size_t v = c.pos;
      while (v < c.line.size() && !ends_value(c.line[v])) ++v;
      t.text = c.line.substr(c.pos, v - c.pos);
      c.pos = v;
    }
  }
  // After a value (or "r*"): blanks, then at most one comma or semicolon. A
  // slash is left for the next scan, which ends the read.
  while (!c.at_end() && is_blank(c.peek())) ++c.pos;
  if (!c.at_end() && (c.peek() == ',' || c.peek() == ';')) ++c.pos;
  return Scan::kValue;
}

bool parse_logical(const std::string& s, bool& out) {
  size_t i = 0;
  if (i < s.size() && s[i] == '.') ++i;
  if (i == s.size()) return false;
  char ch = lower(s[i]);
  if (ch == 't') {
    out = true;
    return true;
  }
  if (ch == 'f') {
    out = false;
    return true;
  }
  return false;
}

// Stores a token's value into an item. False when it cannot be read so.
bool assign(const Item& it, const Token& t) {
  switch (it.kind) {
    case ItemKind::kChar: {
      auto& s = *static_cast<std::string*>(it.target);
      if (it.length == kWholeValue) {
        s = t.text;
        return true;
      }
      s = t.text.substr(0, size_t(it.length));
      s.resize(size_t(it.length), ' ');
      return true;
    }
    case ItemKind::kInt32:
      return !t.quoted &&
             parse_int32(t.text, *static_cast<int32_t*>(it.target));
    case ItemKind::kLogical:
      return !t.quoted && parse_logical(t.text, *static_cast<bool*>(it.target));
    case ItemKind::kReal64:
      return !t.quoted &&
             parse_real64(t.text, *static_cast<double*>(it.target));
    case ItemKind::kReal32:
      return !t.quoted && parse_real32(t.text, *static_cast<float*>(it.target));
  }
  return false;
}

std::string where(const LineSource& src) {
  return src.name + ", line " + std::to_string(src.lineno);
}

}  // namespace

LineSource stdin_source() {
  LineSource src;
  src.in = &std::cin;
  src.name = "standard input";
  return src;
}

bool open_source(LineSource& src, const std::string& path) {
  src.error.clear();
  if (!is_regular(path, src.error)) return false;
  auto f = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!f->is_open()) {
    src.error = std::strerror(errno);
    return false;
  }
  src.file = std::move(f);
  src.in = src.file.get();
  src.name = path;
  src.lineno = 0;
  return true;
}

void rewind(LineSource& src) {
  src.in->clear();
  src.in->seekg(0);
  src.lineno = 0;
  src.error.clear();
}

bool next_line(LineSource& src, std::string& line) {
  line.clear();
  if (!src.in || !src.error.empty()) return false;
  std::streambuf* buf = src.in->rdbuf();
  bool any = false;  // a byte taken: the line exists even if empty
  for (;;) {
    const int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) break;
    any = true;
    if (c == '\n') break;
    if (line.size() == kMaxLineLength) {
      src.error = src.name + ", line " + std::to_string(src.lineno + 1) +
                  ": longer than " + std::to_string(kMaxLineLength) +
                  " characters";
      line.clear();
      return false;
    }
    line.push_back(static_cast<char>(c));
  }
  if (!any) return false;
  ++src.lineno;
  if (src.lineno == 1 && line.starts_with(kByteOrderMark)) {
    line.erase(0, kByteOrderMark.size());
  }
  return true;
}

ReadResult read_list(LineSource& src, std::span<const Item> items) {
  Cursor c{src, {}, 0};
  if (!next_line(src, c.line)) {
    if (!src.error.empty()) return {ReadStatus::kError, src.error};
    ReadResult r{ReadStatus::kEof, where(src) + ": input ends here"};
    if (!items.empty()) {
      r.message = src.name + ", after line " + std::to_string(src.lineno) +
                  ": input ends before all values were read (expected " +
                  kind_name(items[0].kind) + ")";
    }
    return r;
  }
  Token t;
  int left = 0;  // copies of t still to hand out
  for (size_t k = 0; k < items.size(); ++k) {
    if (left == 0) {
      std::string err;
      Scan s = scan_value(c, t, err);
      if (!src.error.empty()) return {ReadStatus::kError, src.error};
      if (s == Scan::kSlash) return {};
      if (s == Scan::kEof) {
        return {ReadStatus::kEof,
                src.name + ", after line " + std::to_string(src.lineno) +
                    ": input ends before all values were read (expected " +
                    kind_name(items[k].kind) + " for item " +
                    std::to_string(k + 1) + ")"};
      }
      if (s == Scan::kError) {
        return {ReadStatus::kError,
                where(src) + ": cannot read " + quoted_excerpt(err) + " as " +
                    kind_name(items[k].kind) + " (item " +
                    std::to_string(k + 1) + ")"};
      }
      left = t.repeat;
    }
    --left;
    if (t.null) continue;
    if (!assign(items[k], t)) {
      std::string shown = t.quoted ? "'" + t.text + "'" : t.text;
      return {ReadStatus::kError,
              where(src) + ": cannot read " + quoted_excerpt(shown) + " as " +
                  kind_name(items[k].kind) + " (item " + std::to_string(k + 1) +
                  ")"};
    }
  }
  return {};
}

ReadResult read_line(LineSource& src, std::string& out, int length) {
  std::string line;
  if (!next_line(src, line)) {
    if (!src.error.empty()) return {ReadStatus::kError, src.error};
    return {ReadStatus::kEof,
            src.name + ", after line " + std::to_string(src.lineno) +
                ": input ends before a line could be read"};
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (length == kWholeValue) {
    out = std::move(line);
    return {};
  }
  out = line.substr(0, size_t(length));
  out.resize(size_t(length), ' ');
  return {};
}

std::string input_error_line(const ReadResult& r) {
  return "input error: " + r.message;
}

std::string quoted_excerpt(std::string_view text) {
  constexpr size_t kShown = 40;
  if (text.size() <= kShown) return "\"" + std::string(text) + "\"";
  return "\"" + std::string(text.substr(0, kShown)) + "...\" (" +
         std::to_string(text.size()) + " characters)";
}

std::string_view trimmed(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

}  // namespace textio
