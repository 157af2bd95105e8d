#include "series.h"

#include "freeform_detail.h"
#include "freeform_out.h"

namespace textio {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits a line into the values of one free-form record: blanks separate,
// a single comma (or semicolon) between values is allowed. Nulls, slashes,
// quotes and repeat counts are refused: a series line never holds them.
// With `rest_ignored` the split ends at the `want`th value, whatever
// follows it.
bool split_values(std::string_view line,
                  std::string_view* out,
                  int want,
                  bool rest_ignored,
                  int& got,
                  std::string& why) {
  got = 0;
  size_t i = 0;
  const size_t n = line.size();
  bool need_value = false;  // after a comma a value must follow
  for (;;) {
    while (i < n && is_blank(line[i])) ++i;
    if (i == n) break;
    char c = line[i];
    if (c == ',' || c == ';') {
      why = "empty value";
      return false;
    }
    if (c == '/' || c == '\'' || c == '"') {
      why = std::string("unexpected '") + c + "'";
      return false;
    }
    size_t b = i;
    while (i < n && !is_blank(line[i]) && line[i] != ',' && line[i] != ';' &&
           line[i] != '/') {
      ++i;
    }
    if (got == want) {
      why = "more than " + std::to_string(want) + " values";
      return false;
    }
    out[got++] = line.substr(b, i - b);
    if (got == want && rest_ignored) return true;
    need_value = false;
    while (i < n && is_blank(line[i])) ++i;
    if (i < n && (line[i] == ',' || line[i] == ';')) {
      ++i;
      need_value = true;
    }
  }
  if (need_value) {
    why = "empty value after a comma";
    return false;
  }
  return true;
}

}  // namespace

std::string format_series(const SeriesRecord& r) {
  return free_line(
      r.year, r.day, r.hour, r.minute, r.hours, r.value, r.sigma, r.timestep);
}

bool parse_series_line(std::string_view line,
                       SeriesRecord& r,
                       std::string& why,
                       AfterRecord after) {
  std::string_view v[8];
  int got = 0;
  if (!split_values(line, v, 8, after == AfterRecord::kAnything, got, why)) {
    return false;
  }
  if (got != 8) {
    why = got == 0 ? "no values (a record has 8)"
                   : "only " + std::to_string(got) + " of the 8 values";
    return false;
  }
  SeriesRecord t;
  int32_t* ints[4] = {&t.year, &t.day, &t.hour, &t.minute};
  for (int k = 0; k < 4; ++k) {
    if (!parse_int32(v[k], *ints[k])) {
      why = "value " + std::to_string(k + 1) + " " + quoted_excerpt(v[k]) +
            " is not an integer";
      return false;
    }
  }
  double* reals[3] = {&t.hours, &t.value, &t.sigma};
  for (int k = 0; k < 3; ++k) {
    if (!parse_real64(v[4 + k], *reals[k])) {
      why = "value " + std::to_string(k + 5) + " " + quoted_excerpt(v[4 + k]) +
            " is not a real number";
      return false;
    }
  }
  if (!parse_real32(v[7], t.timestep)) {
    why = "value 8 " + quoted_excerpt(v[7]) + " is not a real number";
    return false;
  }
  r = t;
  return true;
}

ReadResult read_series(LineSource& src, SeriesRecord& r) {
  return read_list(src,
                   {item(r.year),
                    item(r.day),
                    item(r.hour),
                    item(r.minute),
                    item(r.hours),
                    item(r.value),
                    item(r.sigma),
                    item(r.timestep)});
}

long count_record_lines(LineSource& src) {
  long n = 0, last = 0;
  std::string line;
  while (next_line(src, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = n;
  }
  if (!src.error.empty()) return last;  // kept for the caller
  rewind(src);
  return last;
}

}  // namespace textio
