// rsfdump: the frequency groups of one RSF sounding as text, one line per
// group and height, decoded exactly as ionoscan decodes them; for reading
// by eye and for plotting (tools/plot rsf draws its ionograms from it).
//
//   rsfdump FILE        the text on standard output
//   rsfdump --help      usage
//   rsfdump --version   version
//
// The text, for a file of two blocks of 128 heights (comment lines start
// with "# ", which gnuplot skips; "..." stands for lines left out here):
//
//   # sounding 10-06-01 12:15:00 (day 152), receiver 009, transmitter 009
//   # columns: frequency (MHz), pol (1 X, 2 O, other values neither), ...
//   # block 1: 10-06-01 12:15:00 (day 152), h0 90 km, hstep 5 km, ...
//   # group 1: 2.00 MHz, pol 2, gain 0
//   2.00 2 90 0
//   2.00 2 95 31
//   ...
//   2.00 2 725 0
//   <empty line>
//   # group 2: 2.00 MHz, pol 1, gain 0
//   ...
//   <empty line>
//   <empty line>
//   # block 2: ...
//
// Data lines: frequency in MHz with two decimals, pol as the decoder gives
// it (1 X, 2 O; 0 or another value for a group of neither mode, such as the
// empty groups that fill a block), virtual height h0 + hstep (i - 1) km of
// sample i in single precision as ionoscan computes it, amplitude 0 to 31.
// One line per height of every group of every block, in file order. An
// empty line ends each group and a second one each block, so that gnuplot's
// `index N` picks block N + 1. The sounding line gives the first block's
// time (two-digit year) and the raw station ids (bytes that are not
// printable as \xNN); each block line that block's time, height axis and
// attenuation.
//
// Exit status: 0 after the whole file; 1 when the file cannot be read or is
// not a complete RSF file (then nothing goes to standard output); 2 for a
// wrong argument.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "maxima.h"
#include "rsf.h"
#include "rsffile.h"

namespace {

using namespace ionoscan;

constexpr const char* kUsage =
    "usage: rsfdump FILE\n"
    "       rsfdump --help | --version\n"
    "Writes the frequency groups of the RSF sounding FILE as text on standard\n"
    "output: one line per group and height with the frequency (MHz), the\n"
    "polarisation (1 X, 2 O), the virtual height (km) and the amplitude\n"
    "(0 to 31); comment lines (\"# \") give the time, the station and each\n"
    "block's and group's settings; an empty line ends each group, a second\n"
    "one each block.\n"
    "Exit status: 0 done, 1 FILE unreadable or not RSF, 2 wrong arguments.\n";

// "10-06-01 12:15:00 (day 152)": the header's time, two-digit year.
std::string when(const RsfHeader& h) {
  char s[96];
  std::snprintf(s,
                sizeof s,
                "%02d-%02d-%02d %02d:%02d:%02d (day %d)",
                h.year,
                h.month,
                h.mday,
                h.hour,
                h.minute,
                h.second,
                h.day);
  return s;
}

// A raw station id: printable characters as they are, others as \xNN.
std::string printable(std::string_view raw) {
  std::string s;
  for (const char ch : raw) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x21 && b < 0x7F && b != '\\') {
      s += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      s += hex;
    }
  }
  return s;
}

// The shortest fixed-point text that reads back as x: 90 -> "90",
// 92.5 -> "92.5".
std::string shortest(float x) {
  char buf[64];
  const auto r =
      std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

std::string block_line(int32_t block, const RsfHeader& h) {
  return "# block " + std::to_string(block) + ": " + when(h) + ", h0 " +
         shortest(h.h0) + " km, hstep " + shortest(h.hstep) + " km, " +
         std::to_string(h.nhts) + " heights, atten " + shortest(h.atten) +
         " dB\n";
}

// Appends one group: its comment line, a line per height, an empty line.
void append_group(int32_t n,
                  const RsfHeader& h,
                  const FrGroup& g,
                  std::string& text) {
  char line[128];
  std::snprintf(line,
                sizeof line,
                "# group %d: %.2f MHz, pol %d, gain %d\n",
                n,
                g.fMhz,
                g.pol,
                g.gain);
  text += line;
  for (int32_t i = 1; i <= g.nsum; ++i) {
    std::snprintf(line, sizeof line, "%.2f %d ", g.fMhz, g.pol);
    text += line;
    text += shortest(static_cast<float>(height_of(h.h0, h.hstep, i)));
    text += ' ';
    text += std::to_string(g.amp[i - 1]);
    text += '\n';
  }
  text += '\n';
}

// The text of a whole file. False with `error` set when the bytes are not
// a complete RSF file.
bool dump(std::span<const uint8_t> bytes,
          std::string& text,
          std::string& error) {
  RsfCursor c{bytes};
  RsfHeader h;
  FrGroup g;
  for (int32_t block = 1;; ++block) {
    const std::size_t at = c.pos;
    RsfStatus st = next_header(c, h);
    if (st == RsfStatus::kEndOfFile) {
      if (block > 1) return true;
      error = "not an RSF file: shorter than one header (60 bytes)";
      return false;
    }
    if (st == RsfStatus::kNotRsf) {
      error = "not an RSF file: format code " +
              std::to_string(h.ibcd[rsfhdr::kFormat]) + ", not " +
              std::to_string(kRsfFormatCode) + ", in the header at byte " +
              std::to_string(at);
      return false;
    }
    if (block == 1) {
      text += "# sounding " + when(h) + ", receiver " + printable(h.arxid) +
              ", transmitter " + printable(h.atxid) + "\n";
      text +=
          "# columns: frequency (MHz), pol (1 X, 2 O, other values neither), "
          "virtual height (km), amplitude (0 to 31)\n";
    }
    text += block_line(block, h);
    for (int32_t n = 1;; ++n) {
      st = next_frgroup(c, g);
      if (st == RsfStatus::kBlockEnd) break;
      if (st != RsfStatus::kOk) {
        error = rsf_message(st);
        if (st == RsfStatus::kBadHeights) error += " " + std::to_string(h.nhts);
        error += " (block " + std::to_string(block) + ", byte " +
                 std::to_string(c.pos) + ")";
        return false;
      }
      append_group(n, h, g, text);
    }
    text += '\n';
  }
}

// Reads and dumps `path`; the exit status.
int run(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "rsfdump: %s: is a directory\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes;
  std::string why;
  const FileStatus fs = read_whole_file(path, bytes, &why);
  if (fs != FileStatus::kOk) {
    std::fprintf(stderr,
                 "rsfdump: cannot %s %s: %s\n",
                 fs == FileStatus::kCannotOpen ? "open" : "read",
                 path.c_str(),
                 why.c_str());
    return 1;
  }
  std::string text, error;
  if (!dump(bytes, text, error)) {
    std::fprintf(stderr, "rsfdump: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr,
                 "rsfdump: cannot write standard output: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") return textio::print_version("rsfdump");
    if (arg.size() > 1 && arg[0] == '-') {
      return textio::refuse_argument("rsfdump", textio::refusal_of(arg));
    }
    files.push_back(arg);
  }
  if (files.size() != 1) {
    return textio::refuse_argument(
        "rsfdump",
        "expected one RSF file, got " + std::to_string(files.size()));
  }
  return run(files[0]);
}
