// Encoder of synthetic RSF soundings: the exact inverse of the decoders.
#include "rsfgen.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "rsf.h"

namespace rsfgen {

// Written in the layout that ionoscan's decoders read.
using namespace ionoscan;

namespace {

// Two decimal digits as one byte; values up to 159 use a high nibble above
// 9, which the decoders read back as written.
uint8_t to_bcd(int32_t v) {
  v = std::clamp(v, 0, 159);
  return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

int32_t centi(double mhz) {
  return std::clamp(static_cast<int32_t>(std::lround(mhz * 100.0)), 0, 9999);
}

RsfLayout layout_or_default(int32_t nhts) {
  return rsf_layout(nhts).value_or(*rsf_layout(128));
}

void put_header(const GenSounding& s, bool first_block, uint8_t* h) {
  namespace o = rsfhdr;
  h[o::kBlockFlag] = first_block ? 7 : 6;
  h[o::kYear] = to_bcd(s.year);
  const int32_t doy =
      s.stored_day >= 0 ? s.stored_day : julian(s.year, s.month, s.mday);
  h[o::kDayHigh] = to_bcd(doy / 100);
  h[o::kDayLow] = to_bcd(doy % 100);
  h[o::kMonth] = to_bcd(s.month);
  h[o::kMday] = to_bcd(s.mday);
  h[o::kHour] = to_bcd(s.hour);
  h[o::kMinute] = to_bcd(s.minute);
  h[o::kSecond] = to_bcd(s.second);
  for (int i = 0; i < 3; ++i) {
    const char ch = i < static_cast<int>(s.station.size()) ? s.station[i] : ' ';
    h[o::kArxid + i] = static_cast<uint8_t>(ch);
    h[o::kAtxid + i] = static_cast<uint8_t>(ch);
  }
  // Sweep limits from the groups written (whole MHz, then hundredths).
  int32_t lo = 0, hi = 0;
  if (!s.groups.empty()) {
    lo = hi = centi(s.groups.front().mhz);
    for (const GenGroup& g : s.groups) {
      lo = std::min(lo, centi(g.mhz));
      hi = std::max(hi, centi(g.mhz));
    }
  }
  h[o::kFstart] = to_bcd(lo / 100);
  h[o::kFstart + 1] = to_bcd(lo % 100);
  h[o::kFstop] = to_bcd(hi / 100);
  h[o::kFstop + 1] = to_bcd(hi % 100);
  h[o::kFcoarse + 1] = to_bcd(50);  // 0.050 MHz
  h[o::kH0] = to_bcd(s.h0 / 100);
  h[o::kH0 + 1] = to_bcd(s.h0 % 100);
  h[o::kHstep] = to_bcd(s.hstep_code);
  h[o::kNhts] = to_bcd(s.nhts / 100);
  h[o::kNhts + 1] = to_bcd(s.nhts % 100);
  h[o::kAtten] = to_bcd(s.atten_code);
  h[o::kFormat] = to_bcd(s.format_code);
}

// A group; nullptr writes an empty one (mode code 0, 0 MHz, no echoes).
void put_group(const GenGroup* g, int32_t nsum, uint8_t size_code, uint8_t* p) {
  namespace o = rsfgrp;
  const int32_t mode = g ? std::clamp(g->pol + 1, 0, 15) : 1;
  p[o::kMode] = static_cast<uint8_t>((mode << 4) | size_code);
  const int32_t c = g ? centi(g->mhz) : 0;
  p[o::kMhz] = to_bcd(c / 100);
  p[o::kCentiMhz] = to_bcd(c % 100);
  p[o::kGain] = static_cast<uint8_t>(g ? (g->gain & 0x0F) : 0);
  uint8_t* echo = p + o::kEcho;
  for (int32_t k = 0; k < nsum; ++k) {
    int32_t a = 0;
    if (g && k < static_cast<int32_t>(g->amp.size())) {
      a = std::clamp(g->amp[k], 0, 31);
    }
    // The low three bits and the second byte carry no amplitude; they are
    // filled with varying bits so that a reader that uses them is caught.
    echo[2 * k] = static_cast<uint8_t>((a << 3) | (k & 7));
    echo[2 * k + 1] = static_cast<uint8_t>((k * 37 + 11) & 0xFF);
  }
}

}  // namespace

int32_t gen_nsum(int32_t nhts) { return layout_or_default(nhts).nsum; }

double gen_height(const GenSounding& s, int32_t i) {
  const float h0 = static_cast<float>(s.h0);
  const float step =
      s.hstep_code == 2 ? 2.5f : static_cast<float>(s.hstep_code);
  return static_cast<double>(h0 + step * static_cast<float>(i - 1));
}

int32_t gen_height_index(const GenSounding& s, double km) {
  const double step = s.hstep_code == 2 ? 2.5 : s.hstep_code;
  const double pos = step > 0 ? (km - s.h0) / step : 0.0;
  const long i = std::lround(pos) + 1;
  return static_cast<int32_t>(std::clamp<long>(i, 1, gen_nsum(s.nhts)));
}

void gen_set_day_of_year(GenSounding& s, int32_t doy) {
  s.month = 1;
  while (s.month < 12 && julian(s.year, s.month + 1, 1) <= doy) ++s.month;
  s.mday = doy - julian(s.year, s.month, 0);
}

std::vector<double> gen_frequencies(double f1, double f2, double fstep) {
  const long steps =
      fstep > 0 ? std::lround(std::floor((f2 - f1) / fstep + 1e-9)) : 0;
  std::vector<double> mhz;
  for (long k = 0; k <= steps; ++k) {
    mhz.push_back(f1 + static_cast<double>(k) * fstep);
  }
  return mhz;
}

void gen_add_layer(GenSounding& s,
                   double height_km,
                   int32_t amplitude,
                   double f1,
                   double f2,
                   double fstep,
                   int32_t background,
                   int32_t gain) {
  const int32_t nsum = gen_nsum(s.nhts);
  std::vector<int32_t> profile(nsum, background);
  profile[gen_height_index(s, height_km) - 1] = amplitude;
  for (const double mhz : gen_frequencies(f1, f2, fstep)) {
    s.groups.push_back(GenGroup{mhz, 2, gain, profile});
    s.groups.push_back(GenGroup{mhz, 1, gain, profile});
  }
}

std::vector<uint8_t> encode_rsf(const GenSounding& s) {
  const RsfLayout lay = layout_or_default(s.nhts);
  const std::size_t ngroups = s.groups.size();
  const std::size_t nblocks =
      std::max<std::size_t>(1, (ngroups + lay.ngroups - 1) / lay.ngroups);
  const uint8_t size_code =
      static_cast<uint8_t>(lay.nsum == 128 ? 2 : (lay.nsum == 249 ? 3 : 4));
  std::vector<uint8_t> out(nblocks * kRsfBlockSize, 0);
  std::size_t next = 0;
  for (std::size_t b = 0; b < nblocks; ++b) {
    uint8_t* block = out.data() + b * kRsfBlockSize;
    put_header(s, b == 0, block);
    for (int32_t k = 0; k < lay.ngroups; ++k, ++next) {
      const GenGroup* g = next < ngroups ? &s.groups[next] : nullptr;
      put_group(
          g, lay.nsum, size_code, block + kRsfHeaderSize + k * lay.group_size);
    }
  }
  return out;
}

bool write_rsf(const std::string& path,
               const GenSounding& s,
               std::string& error) {
  const std::vector<uint8_t> bytes = encode_rsf(s);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (f) {
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    f.close();
  }
  if (!f) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace rsfgen
