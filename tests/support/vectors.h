// Reading the reference vectors under tests/data: tab-separated tables whose
// text cells may be wrapped as |...| (with \\ \t \n \r \xHH escapes inside
// the bars), and a small JSON reader for their argument and value lists.
#pragma once

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

// Decodes one cell: a |...| cell loses its bars and has its escapes
// resolved; any other cell is returned as it is.
inline std::string cell_text(std::string_view cell) {
  if (cell.size() < 2 || cell.front() != '|' || cell.back() != '|') {
    return std::string(cell);
  }
  cell = cell.substr(1, cell.size() - 2);
  std::string out;
  for (size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\' || i + 1 == cell.size()) {
      out += cell[i];
      continue;
    }
    char e = cell[++i];
    switch (e) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'x':
        if (i + 2 >= cell.size()) throw std::runtime_error("bad \\x escape");
        out += static_cast<char>(
            std::stoi(std::string(cell.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      default:
        throw std::runtime_error(std::string("unknown escape \\") + e);
    }
  }
  return out;
}

// A table: the header's column names and the raw (undecoded) cells.
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;

  // Index of the named column; throws when there is none.
  size_t column(std::string_view name) const {
    for (size_t i = 0; i < header.size(); ++i) {
      if (header[i] == name) return i;
    }
    throw std::runtime_error("no column " + std::string(name));
  }
};

// Reads a tab-separated file; every row must have the header's width.
inline Table read_table(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  Table t;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (first) {
      t.header = std::move(cells);
      first = false;
    } else {
      if (cells.size() != t.header.size()) {
        throw std::runtime_error(path + ": row of wrong width: " + line);
      }
      t.rows.push_back(std::move(cells));
    }
  }
  return t;
}

// A JSON value. Numbers keep their text, so that no precision is lost.
struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a string's content, or a number's spelling
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  // The member named `key`, or nullptr.
  const Json* find(std::string_view key) const {
    for (const auto& [k, v] : members) {
      if (k == key) return &v;
    }
    return nullptr;
  }
};

namespace detail {

struct JsonReader {
  std::string_view s;
  size_t i = 0;

  [[noreturn]] void fail(const char* why) const {
    throw std::runtime_error(std::string("bad JSON (") + why + ") at " +
                             std::to_string(i) + ": " + std::string(s));
  }
  void blanks() {
    while (i < s.size() &&
           (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) {
      ++i;
    }
  }
  bool literal(std::string_view word) {
    if (s.substr(i, word.size()) != word) return false;
    i += word.size();
    return true;
  }
  static void put_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  uint32_t hex4() {
    if (i + 4 > s.size()) fail("short \\u");
    uint32_t v = std::stoul(std::string(s.substr(i, 4)), nullptr, 16);
    i += 4;
    return v;
  }
  std::string string() {
    ++i;  // the opening quote
    std::string out;
    for (;;) {
      if (i >= s.size()) fail("unterminated string");
      char c = s[i++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i >= s.size()) fail("unterminated escape");
      char e = s[i++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t cp = hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && literal("\\u")) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (hex4() - 0xDC00);
          }
          put_utf8(out, cp);
          break;
        }
        default:
          fail("unknown escape");
      }
    }
  }
  Json value() {
    blanks();
    Json v;
    if (i >= s.size()) fail("missing value");
    char c = s[i];
    if (c == '"') {
      v.kind = Json::Kind::kString;
      v.text = string();
    } else if (c == '[') {
      v.kind = Json::Kind::kArray;
      ++i;
      blanks();
      if (i < s.size() && s[i] == ']') {
        ++i;
        return v;
      }
      for (;;) {
        v.items.push_back(value());
        blanks();
        if (i < s.size() && s[i] == ',') {
          ++i;
        } else if (i < s.size() && s[i] == ']') {
          ++i;
          return v;
        } else {
          fail("expected , or ]");
        }
      }
    } else if (c == '{') {
      v.kind = Json::Kind::kObject;
      ++i;
      blanks();
      if (i < s.size() && s[i] == '}') {
        ++i;
        return v;
      }
      for (;;) {
        blanks();
        if (i >= s.size() || s[i] != '"') fail("expected a key");
        std::string key = string();
        blanks();
        if (i >= s.size() || s[i] != ':') fail("expected :");
        ++i;
        v.members.emplace_back(std::move(key), value());
        blanks();
        if (i < s.size() && s[i] == ',') {
          ++i;
        } else if (i < s.size() && s[i] == '}') {
          ++i;
          return v;
        } else {
          fail("expected , or }");
        }
      }
    } else if (literal("null")) {
      v.kind = Json::Kind::kNull;
    } else if (literal("true")) {
      v.kind = Json::Kind::kBool;
      v.boolean = true;
    } else if (literal("false")) {
      v.kind = Json::Kind::kBool;
    } else {
      size_t start = i;
      while (i < s.size() && std::string_view("+-.0123456789eE").find(s[i]) !=
                                 std::string_view::npos) {
        ++i;
      }
      if (i == start) fail("unexpected character");
      v.kind = Json::Kind::kNumber;
      v.text = std::string(s.substr(start, i - start));
    }
    return v;
  }
};

}  // namespace detail

// Parses one JSON document; throws std::runtime_error when it is malformed.
inline Json parse_json(std::string_view text) {
  detail::JsonReader r{text};
  Json v = r.value();
  r.blanks();
  if (r.i != text.size()) r.fail("trailing text");
  return v;
}

// The path of a file under the test data folder.
inline std::string data_path(std::string_view relative) {
  return std::string(IONO_TEST_DATA) + "/" + std::string(relative);
}

}  // namespace testsupport
