// Merging a second series into a first one by time stamp. A record of the
// second series replaces the first record of the first series whose key
// equals its own, unless a record with a greater key comes before that one,
// in which case it is inserted there; with neither it goes at the end. The
// records are taken one after the other, each seeing the earlier ones in
// place. merge_series gives exactly what that one-by-one search and
// insertion gives, for any order of either series, at a cost of
// (n + m) log m rather than m x (n + m).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "series.h"

namespace append {

// The time stamp of a record: (year, day, hour, minute), compared field by
// field as signed integers, year first.
using Key = std::array<int32_t, 4>;

inline Key key_of(const textio::SeriesRecord& r) {
  return {r.year, r.day, r.hour, r.minute};
}

// `data` with every non-empty record of `second` merged in, in `second`'s
// order. An empty `data` takes `second` as it is (empty records and repeated
// keys included). Empty records of `data` stay in place and take part in the
// comparisons; the caller drops them when writing.
std::vector<textio::SeriesRecord> merge_series(
    const std::vector<textio::SeriesRecord>& data,
    const std::vector<textio::SeriesRecord>& second);

}  // namespace append
