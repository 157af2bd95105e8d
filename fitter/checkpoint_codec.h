// The bytes of a checkpoint file: numbers in the machine's own byte order
// (a marker in the header tells another order apart), texts with their
// length, and the counts of a histogram as the runs of its bins that are
// not zero, since a histogram of 10,000 bins mostly holds a narrow peak.
// A reader that runs past the end or meets a count beyond its bytes fails
// and reads zeros from then on; nothing it reads sizes anything unchecked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ptfit {

struct ByteWriter {
  std::string bytes;
};

void put_u32(ByteWriter& w, uint32_t v);
void put_i32(ByteWriter& w, int32_t v);
void put_u64(ByteWriter& w, uint64_t v);
void put_i64(ByteWriter& w, int64_t v);
void put_f64(ByteWriter& w, double v);  // its bits
void put_text(ByteWriter& w, std::string_view s);
// `n` values: the number of runs of values whose bits are not all zero,
// then each run's start, length and values. Bins that are +0.0 take no
// room; every other value (-0.0 and NaN too) is kept bit for bit.
void put_counts(ByteWriter& w, const double* v, int32_t n);

struct ByteReader {
  std::string_view bytes;
  size_t at = 0;
  bool failed = false;
};

uint32_t get_u32(ByteReader& r);
int32_t get_i32(ByteReader& r);
uint64_t get_u64(ByteReader& r);
int64_t get_i64(ByteReader& r);
double get_f64(ByteReader& r);
std::string get_text(ByteReader& r);
// Fills `n` values written by put_counts (the bins of no run with +0.0).
// Fails on a run that leaves the `n` bins or overlaps the one before.
void get_counts(ByteReader& r, double* v, int32_t n);

// The 64-bit FNV-1a hash of `bytes`, continuing from `h`.
uint64_t fnv1a(std::string_view bytes, uint64_t h = 0xcbf29ce484222325ULL);

}  // namespace ptfit
