// Fuzz target: the free-form reader. The input's first line is a recipe of
// reads, the rest the text they read. Reads are separated by '|'; a read
// lists its items: i (int32), d (real64), r (real32), l (logical), cN (a
// character variable of N bytes), or is LN alone, a whole-line read cut to
// N bytes. "i i|c100|d d d|L80" reads two integers, a name, three reals and
// a line, then starts over, until the text ends. Checks that character
// variables keep their length, that every failure comes with a diagnostic
// and every success without one, and that each read takes a line.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "freeform_in.h"

namespace {

using textio::Item;
using textio::ItemKind;

constexpr size_t kMaxItems = 16;
constexpr size_t kMaxReads = 16;
constexpr int kMaxLength = 300;

struct Read {
  std::vector<Item> items;
  int line_length = -1;  // a whole-line read when not negative
};

// Storage for the variables of every read.
struct Variables {
  int32_t ints[kMaxReads][kMaxItems] = {};
  double reals64[kMaxReads][kMaxItems] = {};
  float reals32[kMaxReads][kMaxItems] = {};
  bool logicals[kMaxReads][kMaxItems] = {};
  std::string chars[kMaxReads][kMaxItems];
  std::string line;
};

// A length after a code letter, 20 when none is given.
int length_at(std::string_view s, size_t& i) {
  if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) {
    return 20;
  }
  int n = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    n = n * 10 + (s[i++] - '0');
    if (n > kMaxLength) n = kMaxLength;
  }
  return n;
}

std::vector<Read> parse_recipe(std::string_view s, Variables& v) {
  std::vector<Read> reads(1);
  for (size_t i = 0; i < s.size();) {
    const char ch = s[i++];
    Read& r = reads.back();
    const size_t n = r.items.size();
    const size_t k = reads.size() - 1;
    if (ch == '|') {
      if (reads.size() == kMaxReads) break;
      reads.emplace_back();
    } else if (ch == 'L') {
      r.line_length = length_at(s, i);
    } else if (n == kMaxItems) {
      continue;
    } else if (ch == 'i') {
      r.items.push_back(textio::item(v.ints[k][n]));
    } else if (ch == 'd') {
      r.items.push_back(textio::item(v.reals64[k][n]));
    } else if (ch == 'r') {
      r.items.push_back(textio::item(v.reals32[k][n]));
    } else if (ch == 'l') {
      r.items.push_back(textio::item(v.logicals[k][n]));
    } else if (ch == 'c') {
      v.chars[k][n].assign(static_cast<size_t>(length_at(s, i)), ' ');
      r.items.push_back(
          textio::item(v.chars[k][n], static_cast<int>(v.chars[k][n].size())));
    }
  }
  return reads;
}

void check_result(const textio::ReadResult& r) {
  fuzz::check((r.status == textio::ReadStatus::kOk) == r.message.empty(),
              "a diagnostic exactly when the read fails");
  if (r.status != textio::ReadStatus::kOk) {
    fuzz::check(textio::input_error_line(r).starts_with("input error: "),
                "the error line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t eol = all.find('\n');
  if (eol == std::string_view::npos) return 0;
  Variables v;
  const std::vector<Read> reads = parse_recipe(all.substr(0, eol), v);

  const std::string text(all.substr(eol + 1));
  long nlines = 0;
  for (char ch : text) nlines += ch == '\n';
  if (!text.empty() && text.back() != '\n') ++nlines;

  std::istringstream stream(text);
  textio::LineSource src;
  src.in = &stream;
  src.name = "standard input";
  for (size_t n = 0;; ++n) {
    const Read& r = reads[n % reads.size()];
    const long before = src.lineno;
    textio::ReadResult res;
    if (r.line_length >= 0) {
      res = textio::read_line(src, v.line, r.line_length);
      if (res.status == textio::ReadStatus::kOk) {
        fuzz::check(v.line.size() == static_cast<size_t>(r.line_length),
                    "a whole-line read keeps its length");
      }
    } else {
      res = textio::read_list(src, r.items);
    }
    check_result(res);
    for (const Item& it : r.items) {
      if (it.kind != ItemKind::kChar) continue;
      fuzz::check(static_cast<const std::string*>(it.target)->size() ==
                      static_cast<size_t>(it.length),
                  "a character variable keeps its length");
    }
    fuzz::check(src.lineno <= nlines, "no line beyond the text");
    if (res.status == textio::ReadStatus::kEof) break;
    fuzz::check(src.lineno > before, "every read takes a line");
  }
  return 0;
}
