// The fast merge against a plain transcription of the one-by-one merge
// (search from the start, rebuild the array per insertion), on random
// series of every shape: sorted or not, empty records anywhere, repeated
// keys in either series, empty series.
#include "merge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using append::key_of;
using append::merge_series;
using textio::SeriesRecord;

// The reference: the merge exactly as the program was first written.
struct Plain {
  std::vector<SeriesRecord> data;
  SeriesRecord current;

  // Inserts `current` so that it becomes data[k] (0-based here).
  void append_data(size_t k) {
    std::vector<SeriesRecord> temp(data.size() + 1);
    for (size_t i = 0; i < k; ++i) temp[i] = data[i];
    temp[k] = current;
    for (size_t i = k; i < data.size(); ++i) temp[i + 1] = data[i];
    data = temp;
  }

  void merge(const std::vector<SeriesRecord>& second) {
    if (data.empty()) {
      data = second;
      return;
    }
    for (const SeriesRecord& r : second) {
      current = r;
      if (current.year == 0 && current.day == 0) continue;
      size_t j = 0;
      bool replaced = false;
      for (; j < data.size(); ++j) {
        if (key_of(data[j]) == key_of(current)) {
          data[j] = current;
          replaced = true;
          break;
        }
        if (key_of(data[j]) > key_of(current)) break;
      }
      if (!replaced) append_data(j);
    }
  }
};

bool same(const SeriesRecord& a, const SeriesRecord& b) {
  return key_of(a) == key_of(b) &&
         std::memcmp(&a.hours, &b.hours, sizeof a.hours) == 0 &&
         std::memcmp(&a.value, &b.value, sizeof a.value) == 0 &&
         std::memcmp(&a.sigma, &b.sigma, sizeof a.sigma) == 0 &&
         std::memcmp(&a.timestep, &b.timestep, sizeof a.timestep) == 0;
}

// Random series; every record carries a serial number in `hours`, so a
// record in the wrong place or with the wrong values shows.
struct Maker {
  std::mt19937_64 rng;
  double serial = 0;

  int pick(int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  }

  SeriesRecord record(int spread, int empty_percent) {
    SeriesRecord r;
    if (pick(1, 100) <= empty_percent) {
      r.year = 0;
      r.day = 0;
    } else {
      r.year = pick(-1, spread);
      r.day = pick(0, spread);
      if (r.year == 0 && r.day == 0) r.day = 1;
    }
    r.hour = pick(0, spread);
    r.minute = pick(0, spread);
    r.hours = ++serial;
    r.value = std::uniform_real_distribution<double>(0, 500)(rng);
    r.sigma = -r.value;
    r.timestep = static_cast<float>(pick(1, 60));
    return r;
  }

  // shape 0: random order; 1: ascending; 2: descending; 3: ascending with
  // a few records swapped.
  std::vector<SeriesRecord> series(int n, int spread, int empty_percent) {
    std::vector<SeriesRecord> s;
    for (int i = 0; i < n; ++i) s.push_back(record(spread, empty_percent));
    auto less = [](const SeriesRecord& a, const SeriesRecord& b) {
      return key_of(a) < key_of(b);
    };
    switch (pick(0, 3)) {
      case 1:
        std::stable_sort(s.begin(), s.end(), less);
        break;
      case 2:
        std::stable_sort(s.rbegin(), s.rend(), less);
        break;
      case 3:
        std::stable_sort(s.begin(), s.end(), less);
        for (int k = 0; k < 2 && n > 1; ++k) {
          std::swap(s[pick(0, n - 1)], s[pick(0, n - 1)]);
        }
        break;
      default:
        break;
    }
    return s;
  }
};

void expect_as_plain(const std::vector<SeriesRecord>& data,
                     const std::vector<SeriesRecord>& second,
                     int trial) {
  Plain plain{data, {}};
  plain.merge(second);
  std::vector<SeriesRecord> fast = merge_series(data, second);
  ASSERT_EQ(fast.size(), plain.data.size()) << "trial " << trial;
  for (size_t i = 0; i < fast.size(); ++i) {
    ASSERT_TRUE(same(fast[i], plain.data[i]))
        << "trial " << trial << ", record " << i;
  }
}

TEST(MergeSeries, AgreesWithPlainMergeOnSmallSeriesOfEveryShape) {
  Maker make{std::mt19937_64(20261208)};
  for (int trial = 0; trial < 20000; ++trial) {
    int spread = make.pick(1, 6);  // few distinct keys: many repeats
    int empties = make.pick(0, 3) * 15;
    auto data = make.series(make.pick(0, 12), spread, empties);
    auto second = make.series(make.pick(0, 12), spread, empties);
    expect_as_plain(data, second, trial);
  }
}

TEST(MergeSeries, AgreesWithPlainMergeOnLongerSeries) {
  Maker make{std::mt19937_64(7)};
  for (int trial = 0; trial < 300; ++trial) {
    int spread = make.pick(2, 40);
    int empties = make.pick(0, 2) * 10;
    auto data = make.series(make.pick(0, 300), spread, empties);
    auto second = make.series(make.pick(0, 300), spread, empties);
    expect_as_plain(data, second, trial);
  }
}

// A first series written by the extractor: ascending, with empty records
// for the steps without a sounding, merged with the next run's series.
TEST(MergeSeries, AgreesWithPlainMergeOnInterleavedRuns) {
  Maker make{std::mt19937_64(11)};
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<SeriesRecord> data, second;
    int step = make.pick(1, 3) * 5;
    for (int t = 0; t < 24 * 60; t += step) {
      SeriesRecord r = make.record(0, 0);
      r.year = 20;
      r.day = 100 + t / (24 * 60);
      r.hour = t / 60;
      r.minute = t % 60;
      if (make.pick(1, 10) == 1) r.year = r.day = 0;
      (make.pick(0, 1) ? data : second).push_back(r);
    }
    expect_as_plain(data, second, trial);
  }
}

TEST(MergeSeries, SortedSeriesGiveTheirUnionWithTheSecondSeriesValues) {
  auto rec = [](int year, int day, int hour, int minute, double v) {
    SeriesRecord r;
    r.year = year;
    r.day = day;
    r.hour = hour;
    r.minute = minute;
    r.value = v;
    return r;
  };
  std::vector<SeriesRecord> data = {
      rec(20, 100, 10, 0, 1), rec(20, 100, 10, 15, 2), rec(20, 100, 10, 30, 3)};
  std::vector<SeriesRecord> second = {
      rec(20, 100, 10, 15, 4), rec(20, 100, 10, 5, 5), rec(20, 99, 23, 45, 6)};
  std::vector<SeriesRecord> out = merge_series(data, second);
  ASSERT_EQ(out.size(), 5u);
  double values[] = {6, 1, 5, 4, 3};
  for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i].value, values[i]);
}

}  // namespace
