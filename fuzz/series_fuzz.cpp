// Fuzz target: series records. Every line of the input goes through the
// strict line parser (append's and ptfit's reader); a line it accepts must
// read the same through the free-form record read and survive the writer:
// format_series, parsed again, gives the same record, bit for bit. Then the
// whole input is counted and read as records by the free-form read to its
// end.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "check.h"
#include "series.h"

namespace {

using textio::SeriesRecord;

template <class T>
bool same(T a, T b) {
  if (std::isnan(a) && std::isnan(b)) return true;  // NaN is written "NaN"
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same(const SeriesRecord& a, const SeriesRecord& b) {
  return a.year == b.year && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && same(a.hours, b.hours) &&
         same(a.value, b.value) && same(a.sigma, b.sigma) &&
         same(a.timestep, b.timestep);
}

textio::LineSource source_of(std::istringstream& text) {
  textio::LineSource src;
  src.in = &text;
  src.name = "series";
  return src;
}

void check_line(std::string_view line) {
  SeriesRecord r;
  std::string why;
  if (!textio::parse_series_line(line, r, why)) {
    fuzz::check(!why.empty(), "a refused line says why");
    return;
  }
  std::istringstream text{std::string(line)};
  textio::LineSource src = source_of(text);
  SeriesRecord f;
  const textio::ReadResult res = textio::read_series(src, f);
  fuzz::check(res.status == textio::ReadStatus::kOk,
              "an accepted line is a free-form record");
  fuzz::check(same(r, f), "both readers give the same record");

  const std::string written = textio::format_series(r);
  SeriesRecord back;
  fuzz::check(textio::parse_series_line(written, back, why),
              "a written record reads back");
  fuzz::check(same(r, back), "a written record keeps its values");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  std::istringstream lines(all);
  long nlines = 0;
  long nrecords = 0;  // up to the last line that is not blank
  for (std::string line; std::getline(lines, line);) {
    ++nlines;
    // A byte-order mark that starts the text is no part of its first line.
    const size_t from = nlines == 1 && line.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (line.find_first_not_of(" \t\r", from) != std::string::npos) {
      nrecords = nlines;
    }
    check_line(line);
  }

  std::istringstream text(all);
  textio::LineSource src = source_of(text);
  fuzz::check(textio::count_record_lines(src) == nrecords,
              "records end at the last line that is not blank");
  SeriesRecord r;
  for (;;) {
    const long before = src.lineno;
    const textio::ReadResult res = textio::read_series(src, r);
    if (res.status == textio::ReadStatus::kEof) break;
    fuzz::check(src.lineno > before, "every read takes a line");
  }
  return 0;
}
