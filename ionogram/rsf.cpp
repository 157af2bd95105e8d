// Decoders of RSF header records and frequency groups (layout in rsf.h).
#include "rsf.h"

#include <algorithm>

namespace ionoscan {

std::optional<RsfLayout> rsf_layout(int32_t nhts) {
  switch (nhts) {
    case 128:
      return RsfLayout{15, 128, 6 + 2 * 128, 106};
    case 256:
      return RsfLayout{8, 249, 6 + 2 * 249, 4};
    case 512:
      return RsfLayout{4, 501, 6 + 2 * 501, 4};
    default:
      return std::nullopt;
  }
}

const char* rsf_message(RsfStatus status) {
  switch (status) {
    case RsfStatus::kNotRsf:
      return "header says this is not .rsf format !";
    case RsfStatus::kBadHeights:
      return "undefined option in read_frgroup";
    case RsfStatus::kTruncatedGroup:
      return "unexpected end of frequency group";
    case RsfStatus::kTruncatedPadding:
      return "unexpected end of file in the padding of a block";
    default:
      return "";
  }
}

int32_t julian(int32_t year, int32_t month, int32_t mday) {
  static constexpr int32_t kLengths[12] = {
      31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int32_t day = mday;
  const int32_t before = std::min(month - 1, 12);
  for (int32_t m = 0; m < before; ++m) {
    day += kLengths[m];
    if (m == 1 && year % 4 == 0) day += 1;
  }
  return day;
}

RsfStatus read_header(std::span<const uint8_t> bytes, RsfHeader& hdr) {
  if (bytes.size() < static_cast<std::size_t>(kRsfHeaderSize)) {
    return RsfStatus::kEndOfFile;
  }
  namespace o = rsfhdr;
  auto& v = hdr.ibcd;
  for (int i = 0; i < kRsfHeaderSize; ++i) v[i] = bcd(bytes[i]);

  hdr.year = v[o::kYear];
  hdr.day = 100 * v[o::kDayHigh] + v[o::kDayLow];
  hdr.month = v[o::kMonth];
  hdr.mday = v[o::kMday];
  // The stored day of year is never trusted: the calendar date decides.
  const int32_t d = julian(hdr.year, hdr.month, hdr.mday);
  if (hdr.day != d) hdr.day = d;
  hdr.hour = v[o::kHour];
  hdr.minute = v[o::kMinute];
  hdr.second = v[o::kSecond];
  hdr.nhts = 100 * v[o::kNhts] + v[o::kNhts + 1];
  hdr.arxid.assign(reinterpret_cast<const char*>(&bytes[o::kArxid]), 3);
  hdr.atxid.assign(reinterpret_cast<const char*>(&bytes[o::kAtxid]), 3);

  // Frequencies in single precision: the integer is converted first.
  auto f3 = [&](int off) {
    return static_cast<float>(10000 * v[off] + 100 * v[off + 1] + v[off + 2]) /
           10000.0f;
  };
  auto f2 = [&](int off) {
    return 0.001f * static_cast<float>(100 * v[off] + v[off + 1]);
  };
  hdr.fstart = f3(o::kFstart);
  hdr.fcoarse = f2(o::kFcoarse);
  hdr.fstop = f3(o::kFstop);
  hdr.ffine = f2(o::kFfine);

  hdr.h0 = static_cast<float>(100 * v[o::kH0] + v[o::kH0 + 1]);
  hdr.hstep = static_cast<float>(v[o::kHstep]);
  if (v[o::kHstep] == 2) hdr.hstep = 2.5f;

  if (v[o::kFormat] != kRsfFormatCode) return RsfStatus::kNotRsf;

  hdr.atten = 0.0f;
  if (v[o::kAtten] <= 7) hdr.atten = static_cast<float>(6 * v[o::kAtten]);
  return RsfStatus::kOk;
}

RsfStatus read_frgroup(std::span<const uint8_t> bytes,
                       int32_t nhts,
                       FrGroup& grp) {
  const std::optional<RsfLayout> lay = rsf_layout(nhts);
  if (!lay) return RsfStatus::kBadHeights;
  if (bytes.size() < static_cast<std::size_t>(lay->group_size)) {
    return RsfStatus::kTruncatedGroup;
  }
  namespace o = rsfgrp;
  grp.fMhz = static_cast<float>(bcd(bytes[o::kMhz]));
  grp.fMhz = grp.fMhz + static_cast<float>(bcd(bytes[o::kCentiMhz])) * 0.01f;
  grp.pol = (bytes[o::kMode] >> 4) - 1;
  grp.gain = bytes[o::kGain] & 0x0F;

  // Amplitudes and their histogram; the most frequent amplitude wins, the
  // smaller one on a tie.
  int32_t counts[32] = {};
  const uint8_t* echo = bytes.data() + o::kEcho;
  for (int32_t k = 0; k < lay->nsum; ++k) {
    const int32_t a = echo[2 * k] / 8;
    grp.amp[k] = a;
    ++counts[a];
  }
  int32_t best = 0;
  for (int32_t j = 1; j < 32; ++j) {
    if (counts[j] > counts[best]) best = j;
  }
  grp.mps = static_cast<float>(best);
  grp.nsum = lay->nsum;
  return RsfStatus::kOk;
}

RsfStatus next_header(RsfCursor& c, RsfHeader& hdr) {
  const std::size_t left = c.pos <= c.bytes.size() ? c.bytes.size() - c.pos : 0;
  const RsfStatus st = read_header(c.bytes.subspan(c.bytes.size() - left), hdr);
  if (st == RsfStatus::kEndOfFile) return st;
  c.pos += kRsfHeaderSize;
  c.icall = 0;
  c.nhts = hdr.nhts;
  return st;
}

RsfStatus next_frgroup(RsfCursor& c, FrGroup& grp) {
  const std::optional<RsfLayout> lay = rsf_layout(c.nhts);
  if (!lay) return RsfStatus::kBadHeights;
  const std::size_t left = c.pos <= c.bytes.size() ? c.bytes.size() - c.pos : 0;
  if (c.icall >= lay->ngroups) {
    if (left < static_cast<std::size_t>(lay->padding)) {
      return RsfStatus::kTruncatedPadding;
    }
    c.pos += lay->padding;
    c.icall = 0;
    return RsfStatus::kBlockEnd;
  }
  const RsfStatus st =
      read_frgroup(c.bytes.subspan(c.bytes.size() - left), c.nhts, grp);
  if (st != RsfStatus::kOk) return st;
  c.pos += lay->group_size;
  ++c.icall;
  return st;
}

}  // namespace ionoscan
