// Numbers, texts and sparse counts as the bytes of a checkpoint.
#include "checkpoint_codec.h"

#include <bit>
#include <cstring>

namespace ptfit {

namespace {

template <class T>
void put(ByteWriter& w, T v) {
  char b[sizeof v];
  std::memcpy(b, &v, sizeof v);
  w.bytes.append(b, sizeof v);
}

template <class T>
T get(ByteReader& r) {
  T v{};
  if (r.failed || r.bytes.size() - r.at < sizeof v) {
    r.failed = true;
    return T{};
  }
  std::memcpy(&v, r.bytes.data() + r.at, sizeof v);
  r.at += sizeof v;
  return v;
}

bool zero(double v) { return std::bit_cast<uint64_t>(v) == 0; }

}  // namespace

void put_u32(ByteWriter& w, uint32_t v) { put(w, v); }
void put_i32(ByteWriter& w, int32_t v) { put(w, v); }
void put_u64(ByteWriter& w, uint64_t v) { put(w, v); }
void put_i64(ByteWriter& w, int64_t v) { put(w, v); }
void put_f64(ByteWriter& w, double v) { put(w, std::bit_cast<uint64_t>(v)); }

void put_text(ByteWriter& w, std::string_view s) {
  put_u32(w, uint32_t(s.size()));
  w.bytes.append(s);
}

void put_counts(ByteWriter& w, const double* v, int32_t n) {
  const size_t count_at = w.bytes.size();
  put_u32(w, 0);
  uint32_t runs = 0;
  for (int32_t i = 0; i < n;) {
    if (zero(v[i])) {
      ++i;
      continue;
    }
    int32_t end = i;
    while (end < n && !zero(v[end])) ++end;
    put_i32(w, i);
    put_i32(w, end - i);
    w.bytes.append(reinterpret_cast<const char*>(v + i),
                   sizeof(double) * size_t(end - i));
    ++runs;
    i = end;
  }
  std::memcpy(w.bytes.data() + count_at, &runs, sizeof runs);
}

uint32_t get_u32(ByteReader& r) { return get<uint32_t>(r); }
int32_t get_i32(ByteReader& r) { return get<int32_t>(r); }
uint64_t get_u64(ByteReader& r) { return get<uint64_t>(r); }
int64_t get_i64(ByteReader& r) { return get<int64_t>(r); }
double get_f64(ByteReader& r) { return std::bit_cast<double>(get_u64(r)); }

std::string get_text(ByteReader& r) {
  const uint32_t n = get_u32(r);
  if (r.failed || r.bytes.size() - r.at < n) {
    r.failed = true;
    return {};
  }
  std::string s(r.bytes.substr(r.at, n));
  r.at += n;
  return s;
}

void get_counts(ByteReader& r, double* v, int32_t n) {
  for (int32_t i = 0; i < n; ++i) v[i] = 0.0;
  const uint32_t runs = get_u32(r);
  int32_t next = 0;  // the first bin a run may start at
  for (uint32_t k = 0; k < runs && !r.failed; ++k) {
    const int32_t start = get_i32(r);
    const int32_t length = get_i32(r);
    if (r.failed || start < next || length < 1 || length > n - start ||
        r.bytes.size() - r.at < sizeof(double) * size_t(length)) {
      r.failed = true;
      return;
    }
    std::memcpy(v + start, r.bytes.data() + r.at, sizeof(double) * length);
    r.at += sizeof(double) * size_t(length);
    next = start + length;
  }
}

uint64_t fnv1a(std::string_view bytes, uint64_t h) {
  for (unsigned char b : bytes) {
    h ^= b;
    h *= 0x100000001b3ULL;
  }
  return h;
}

}  // namespace ptfit
