// The series record: one text line of 8 fields that joins the three
// programs. Fields 1-4 are the time stamp (year most significant).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "freeform_in.h"

namespace textio {

struct SeriesRecord {
  int32_t year = 0;    // two digits as the extractor writes it
  int32_t day = 0;     // day of the year, 1 = 1 January
  int32_t hour = 0;    // 0-23
  int32_t minute = 0;  // 0-59
  double hours = 0;    // hours since the first time step of the producing run
  double value = 0;    // mean virtual height, km
  double sigma = 0;    // its standard deviation, km
  float timestep = 0;  // time step of the series, minutes
};

// A record whose year and day are both 0 marks a step without a sounding.
inline bool is_empty(const SeriesRecord& r) {
  return r.year == 0 && r.day == 0;
}

// The record as one free-form line, without its newline.
std::string format_series(const SeriesRecord& r);

// What a line may hold after the eighth value of its record.
enum class AfterRecord {
  kNothing,   // nothing but blanks: a line is exactly one record
  kAnything,  // anything, ignored, as a free-form read drops the rest of a
              // line
};

// Parses one line that must hold one record of 8 values, followed by what
// `after` allows. On failure returns false and says why in `why` (without
// source or line number).
bool parse_series_line(std::string_view line,
                       SeriesRecord& r,
                       std::string& why,
                       AfterRecord after = AfterRecord::kNothing);

// One free-form read of the 8 fields (may go on over further lines).
ReadResult read_series(LineSource& src, SeriesRecord& r);

// Counts the lines of a file source up to its last line that is not blank
// (blank lines after the last record hold no record), then rewinds it. A
// line too long to be held ends the count: src.error says so.
long count_record_lines(LineSource& src);

}  // namespace textio
