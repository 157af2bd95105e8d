// The merge without the search from the start and the rebuild per record.
//
// Call a record a peak when its key is greater than the key of every record
// before it. The one-by-one search stops at the first record whose key is
// equal or greater than the new key: every record before it is smaller, so
// it is a peak, namely the first peak whose key is equal or greater. Peaks
// have strictly increasing keys, so that is a binary search among them.
//
// A new record inserted before peak P is greater than everything before P
// and smaller than P: it becomes a peak itself, P stays one, and no other
// record changes status. So the peaks of the first series stay peaks for
// the whole run, and the keys that were inserted are peaks too. Hence:
//   - a record whose key is the key of an original peak replaces that peak
//     (the last such record wins);
//   - any other key is inserted once and then replaced by each later record
//     with that key (the last one wins again);
//   - the inserted keys lying between two consecutive original peaks form
//     one ascending run right before the later of the two; those above the
//     last peak form an ascending run at the end.
#include "merge.h"

#include <algorithm>

namespace append {

using textio::SeriesRecord;

std::vector<SeriesRecord> merge_series(
    const std::vector<SeriesRecord>& data,
    const std::vector<SeriesRecord>& second) {
  if (data.empty()) return second;

  std::vector<size_t> peaks;  // positions in data
  std::vector<Key> peak_keys;
  for (size_t i = 0; i < data.size(); ++i) {
    Key k = key_of(data[i]);
    if (peak_keys.empty() || k > peak_keys.back()) {
      peaks.push_back(i);
      peak_keys.push_back(k);
    }
  }

  std::vector<const SeriesRecord*> replacing(peaks.size(), nullptr);
  std::vector<const SeriesRecord*> added;  // keys no peak of data holds
  for (const SeriesRecord& r : second) {
    if (textio::is_empty(r)) continue;
    Key k = key_of(r);
    auto it = std::lower_bound(peak_keys.begin(), peak_keys.end(), k);
    if (it != peak_keys.end() && *it == k) {
      replacing[it - peak_keys.begin()] = &r;
    } else {
      added.push_back(&r);
    }
  }

  // Ascending keys, one record per key: the last one given.
  auto by_key = [](const SeriesRecord* a, const SeriesRecord* b) {
    return key_of(*a) < key_of(*b);
  };
  std::stable_sort(added.begin(), added.end(), by_key);
  size_t kept = 0;
  for (size_t i = 0; i < added.size(); ++i) {
    if (i + 1 < added.size() && key_of(*added[i + 1]) == key_of(*added[i])) {
      continue;
    }
    added[kept++] = added[i];
  }
  added.resize(kept);

  std::vector<SeriesRecord> out;
  out.reserve(data.size() + added.size());
  size_t a = 0;  // next inserted record
  size_t p = 0;  // next peak
  for (size_t i = 0; i < data.size(); ++i) {
    if (p < peaks.size() && peaks[p] == i) {
      while (a < added.size() && key_of(*added[a]) < peak_keys[p]) {
        out.push_back(*added[a++]);
      }
      out.push_back(replacing[p] ? *replacing[p] : data[i]);
      ++p;
    } else {
      out.push_back(data[i]);
    }
  }
  while (a < added.size()) out.push_back(*added[a++]);
  return out;
}

}  // namespace append
