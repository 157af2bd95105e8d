// The parser of Fortran formats: a format string such as "(A20,4G12.3)"
// into a flat list of edit steps, repeat counts and groups expanded.
#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>

#include "format_edit.h"
#include "fortran_format.h"

namespace textio {
namespace {

// Limit on the expanded steps, which keeps an absurd repeat count from
// exhausting memory.
constexpr size_t kMaxSteps = 100000;

class Parser {
 public:
  explicit Parser(std::string_view format) : format_(format) { compact(); }

  FortranFormat parse() {
    FortranFormat f;
    if (at() != '(') fail("it does not start with '('");
    ++i_;
    parse_list(f, f.steps, /*top=*/true);
    if (i_ != c_.size()) fail("text follows the closing ')'");
    for (size_t k = f.reversion; k < f.steps.size(); ++k) {
      if (is_data(f.steps[k].kind)) f.reversion_has_data = true;
    }
    return f;
  }

 private:
  static bool is_data(EditKind k) {
    return k != EditKind::kX && k != EditKind::kSlash &&
           k != EditKind::kLiteral;
  }

  [[noreturn]] void fail(const std::string& why) const {
    throw std::invalid_argument("bad format \"" + std::string(format_) +
                                "\": " + why);
  }

  // Blanks are insignificant outside literals; letters are case-blind.
  // Literals are copied with their quotes, a doubled quote kept doubled.
  void compact() {
    for (size_t k = 0; k < format_.size(); ++k) {
      char ch = format_[k];
      if (ch == '\'' || ch == '"') {
        c_ += ch;
        for (++k;; ++k) {
          if (k == format_.size()) fail("unterminated literal");
          c_ += format_[k];
          if (format_[k] == ch) {
            if (k + 1 < format_.size() && format_[k + 1] == ch) {
              c_ += format_[++k];
              continue;
            }
            break;
          }
        }
      } else if (ch != ' ' && ch != '\t') {
        c_ += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      }
    }
  }

  char at() const { return i_ < c_.size() ? c_[i_] : '\0'; }

  // Reads an unsigned number if one starts here; -1 when none does.
  int number() {
    if (!std::isdigit(static_cast<unsigned char>(at()))) return -1;
    long v = 0;
    while (std::isdigit(static_cast<unsigned char>(at()))) {
      v = v * 10 + (c_[i_++] - '0');
      if (v > static_cast<long>(kMaxSteps)) fail("number too large");
    }
    return static_cast<int>(v);
  }

  int width(char letter) {
    int w = number();
    if (w < 1) fail(std::string("a width >= 1 must follow ") + letter);
    if (w > kMaxFieldWidth) fail("field width too large");
    return w;
  }

  int dot_number(char letter, bool required) {
    if (at() != '.') {
      if (required) fail(std::string(1, letter) + " needs .d");
      return -1;
    }
    ++i_;
    int d = number();
    if (d < 0) fail(std::string("digits must follow ") + letter + "w.");
    if (d > kMaxFieldWidth) fail("digit count too large");
    return d;
  }

  void add(std::vector<EditStep>& steps, const EditStep& s, int repeat) {
    if (steps.size() + repeat > kMaxSteps) fail("too many repeats");
    for (int r = 0; r < repeat; ++r) steps.push_back(s);
  }

  // Parses items up to and including the ')' that closes this list.
  void parse_list(FortranFormat& f, std::vector<EditStep>& steps, bool top) {
    for (;;) {
      char ch = at();
      if (ch == ')') {
        ++i_;
        return;
      }
      if (ch == ',') {  // separators are optional; empty items are not
        ++i_;
        if (at() == ',' || at() == ')') fail("empty item");
        continue;
      }
      if (ch == '\0') fail("missing ')'");
      parse_item(f, steps, top);
    }
  }

  void parse_item(FortranFormat& f, std::vector<EditStep>& steps, bool top) {
    int repeat = number();
    if (repeat == 0) fail("repeat count 0");
    bool counted = repeat > 0;
    if (!counted) repeat = 1;
    char ch = at();
    if (ch == '(') {
      ++i_;
      std::vector<EditStep> group;
      parse_list(f, group, false);
      if (top) f.reversion = steps.size();
      for (int r = 0; r < repeat; ++r) {
        if (steps.size() + group.size() > kMaxSteps) fail("too many repeats");
        steps.insert(steps.end(), group.begin(), group.end());
      }
      return;
    }
    if (ch == '\'' || ch == '"') {
      if (counted) fail("a literal takes no repeat count");
      EditStep s{EditKind::kLiteral, 0, -1, {}};
      for (++i_;; ++i_) {  // compact() guarantees the closing quote
        if (c_[i_] == ch) {
          if (i_ + 1 < c_.size() && c_[i_ + 1] == ch) {
            s.text += c_[++i_];
            continue;
          }
          ++i_;
          break;
        }
        s.text += c_[i_];
      }
      steps.push_back(std::move(s));
      return;
    }
    ++i_;
    switch (ch) {
      case '/':
        add(steps, EditStep{EditKind::kSlash, 0, -1, {}}, repeat);
        return;
      case 'X':  // the count is the number of blanks; a bare X is 1X
        add(steps, EditStep{EditKind::kX, repeat, -1, {}}, 1);
        return;
      case 'A': {
        int w = number();
        if (w == 0) fail("A0");
        if (w > kMaxFieldWidth) fail("field width too large");
        add(steps, EditStep{EditKind::kA, w < 0 ? 0 : w, -1, {}}, repeat);
        return;
      }
      case 'I':
      case 'Z': {
        int w = width(ch);
        int m = dot_number(ch, false);
        EditKind k = ch == 'I' ? EditKind::kI : EditKind::kZ;
        add(steps, EditStep{k, w, m, {}}, repeat);
        return;
      }
      case 'F':
      case 'E':
      case 'G': {
        int w = width(ch);
        int d = dot_number(ch, true);
        if (ch != 'F' && d < 1) fail(std::string(1, ch) + "w.0");
        EditKind k = ch == 'F'   ? EditKind::kF
                     : ch == 'E' ? EditKind::kE
                                 : EditKind::kG;
        add(steps, EditStep{k, w, d, {}}, repeat);
        return;
      }
      default:
        fail(std::string("unsupported edit descriptor '") + ch + "'");
    }
  }

  std::string_view format_;
  std::string c_;  // the compacted format
  size_t i_ = 0;
};

}  // namespace

FortranFormat parse_format(std::string_view format) {
  return Parser(format).parse();
}

}  // namespace textio
