#include "chainset.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace ptsummary {
namespace {

namespace fs = std::filesystem;

// One line of a chain file, its values kept in the file's text order.
struct Line {
  int32_t block = 0;
  int32_t move = 0;
  int32_t process = 0;
  long lineno = 0;
  size_t at = 0;  // first of its columns() values in `values`
};

struct Ladder {
  std::vector<Line> lines;
  std::vector<double> values;
};

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> f;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return f;
    start = tab + 1;
  }
}

bool to_int(const std::string& s, int32_t& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// A real as the free-form spelling writes it (NaN and Infinity included).
bool to_real(const std::string& s, double& v) {
  const char* b = s.data();
  const char* e = b + s.size();
  if (b != e && *b == '+') ++b;
  const auto r = std::from_chars(b, e, v);
  return r.ec == std::errc() && r.ptr == e;
}

// The numbers of the chain files in `dir`: "chain_" and a number without
// leading zeros.
bool chain_numbers(const std::string& dir,
                   std::vector<int32_t>& found,
                   std::string& error) {
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("chain_", 0) != 0) continue;
    const std::string digits = name.substr(6);
    int32_t k = 0;
    if (!to_int(digits, k) || k < 0 || (digits.size() > 1 && digits[0] == '0'))
      continue;
    found.push_back(k);
  }
  if (ec) {
    error = dir + ": " + ec.message();
    return false;
  }
  std::sort(found.begin(), found.end());
  if (found.empty()) {
    error = dir + ": no chain files (chain_0, chain_1, ...): not a ptfit run";
    return false;
  }
  for (size_t i = 0; i < found.size(); ++i) {
    if (found[i] != int32_t(i)) {
      error = dir + ": chain_" + std::to_string(i) +
              " is missing (there is a chain_" + std::to_string(found.back()) +
              ")";
      return false;
    }
  }
  return true;
}

// Reads one chain file into the ladders.
bool read_file(const std::string& path,
               int32_t process,
               ChainSet& set,
               std::map<int32_t, Ladder>& ladders,
               std::string& error) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream whole;
  whole << file.rdbuf();
  std::string text = whole.str();
  // A running job may be writing the last line: text after the last
  // newline is not a line yet.
  text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  std::istringstream in(text);
  std::string line;
  if (!file || !std::getline(in, line)) {
    error = path + ": cannot be read, or empty (no header line)";
    return false;
  }
  const std::vector<std::string> head = split_tabs(line);
  const std::vector<std::string> fixed = {
      "block", "move", "ladder", "process", "chi2"};
  if (head.size() < fixed.size() ||
      !std::equal(fixed.begin(), fixed.end(), head.begin())) {
    error = path + ": the header is not \"block move ladder process chi2 ...\"";
    return false;
  }
  const std::vector<std::string> names(head.begin() + 5, head.end());
  if (process == 0) set.names = names;
  if (names != set.names) {
    error = path + ": its parameters differ from those of chain_0";
    return false;
  }
  for (long lineno = 2; std::getline(in, line); ++lineno) {
    const std::vector<std::string> f = split_tabs(line);
    Line l;
    int32_t ladder = 0;
    bool ok = f.size() == head.size() && to_int(f[0], l.block) &&
              to_int(f[1], l.move) && to_int(f[2], ladder) &&
              to_int(f[3], l.process) && l.block > 0 && l.move > 0;
    Ladder& to = ladders[ladder];
    l.at = to.values.size();
    l.lineno = lineno;
    for (size_t i = 4; ok && i < f.size(); ++i) {
      double v = 0;
      ok = to_real(f[i], v);
      to.values.push_back(v);
    }
    if (!ok || l.process != process) {
      to.values.resize(l.at);
      error = path + ", line " + std::to_string(lineno) + ": " +
              (ok ? "the line of process " + f[3] + " in the file of another"
                  : "not " + std::to_string(head.size()) +
                        " tab-separated numbers as the header names");
      return false;
    }
    to.lines.push_back(l);
  }
  return true;
}

// Orders a ladder's lines by block and move and counts the moves of each
// block; false on a move seen twice.
bool order_ladder(int32_t number,
                  Ladder& l,
                  std::vector<int32_t>& per_block,
                  std::string& error) {
  std::sort(l.lines.begin(), l.lines.end(), [](const Line& a, const Line& b) {
    return a.block != b.block ? a.block < b.block : a.move < b.move;
  });
  for (size_t i = 0; i < l.lines.size(); ++i) {
    const Line& a = l.lines[i];
    if (i > 0 && a.block == l.lines[i - 1].block &&
        a.move == l.lines[i - 1].move) {
      const Line& b = l.lines[i - 1];
      error = "ladder " + std::to_string(number) + " has two lines for block " +
              std::to_string(a.block) + ", move " + std::to_string(a.move) +
              " (chain_" + std::to_string(b.process) + " line " +
              std::to_string(b.lineno) + ", chain_" +
              std::to_string(a.process) + " line " + std::to_string(a.lineno) +
              "): are these the files of two runs?";
      return false;
    }
    if (per_block.size() < size_t(a.block)) per_block.resize(size_t(a.block));
    ++per_block[size_t(a.block) - 1];
  }
  return true;
}

}  // namespace

bool read_chains(const std::string& dir, ChainSet& set, std::string& error) {
  std::vector<int32_t> numbers;
  if (!chain_numbers(dir, numbers, error)) return false;
  std::map<int32_t, Ladder> ladders;
  for (int32_t p : numbers) {
    const std::string path = (fs::path(dir) / ("chain_" + std::to_string(p)));
    if (!read_file(path, p, set, ladders, error)) return false;
  }
  set.nprocesses = int32_t(numbers.size());
  std::map<int32_t, std::vector<int32_t>> counts;  // ladder: moves a block
  for (auto& [number, l] : ladders) {
    if (!order_ladder(number, l, counts[number], error)) return false;
    for (const Line& line : l.lines) {
      set.nmoves = std::max(set.nmoves, line.move);
      set.last_block = std::max(set.last_block, line.block);
    }
  }
  // The blocks complete in every ladder: 1..nblocks.
  set.nblocks = set.last_block;
  for (const auto& [number, per_block] : counts) {
    int32_t b = 0;
    while (b < int32_t(per_block.size()) && per_block[size_t(b)] == set.nmoves)
      ++b;
    set.nblocks = std::min(set.nblocks, b);
  }
  if (ladders.empty() || set.nblocks == 0) {
    error = dir + ": no block is complete in the chain files of every ladder";
    return false;
  }
  const size_t n = set.length();
  for (auto& [number, l] : ladders) {
    LadderChain chain;
    chain.ladder = number;
    chain.values.reserve(n * set.columns());
    for (size_t i = 0; i < n; ++i) {
      const double* v = l.values.data() + l.lines[i].at;
      chain.values.insert(chain.values.end(), v, v + set.columns());
    }
    set.ladders.push_back(std::move(chain));
  }
  return true;
}

}  // namespace ptsummary
