// RSF ionogram files: the block layout (one constant per byte offset) and
// the decoders of header records and frequency groups. The decoders work on
// bytes already in memory and report every problem as a status value; the
// caller prints the message and decides how the run ends.
//
// A file is a plain sequence of 4096-byte blocks without record markers.
// Every block is a 60-byte header, a fixed number of frequency groups (how
// many depends on the header's number of heights) and padding up to 4096.
// Every byte is unsigned; a BCD byte holds two decimal digits, high nibble
// first, and nibbles above 9 are taken as they are (0x1A reads 20).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ionoscan {

inline constexpr int kRsfBlockSize = 4096;
inline constexpr int kRsfHeaderSize = 60;
inline constexpr int kRsfSubheaderSize = 6;  // sub-header of a group
inline constexpr int kRsfFormatCode = 4;     // header byte 46 of an RSF file
inline constexpr int kRsfMaxHeights = 512;   // room for amplitudes per group

// Header record: offsets from the start of the block (offset = byte - 1).
// Offsets not listed are not interpreted.
namespace rsfhdr {
inline constexpr int kBlockFlag =
    0;                           // raw: 7 on a sounding's first block, 6 after
inline constexpr int kYear = 3;  // BCD two-digit year, 00 to 99
inline constexpr int kDayHigh = 4;  // BCD hundreds of the stored day of year
inline constexpr int kDayLow = 5;   // BCD tens and units of the stored day
inline constexpr int kMonth = 6;    // BCD month, 1 to 12
inline constexpr int kMday = 7;     // BCD day of month
inline constexpr int kHour = 8;     // BCD hour
inline constexpr int kMinute = 9;   // BCD minute
inline constexpr int kSecond = 10;  // BCD second
inline constexpr int kArxid = 11;   // 3 raw characters: receiver id
inline constexpr int kAtxid = 14;   // 3 raw characters: transmitter id
inline constexpr int kFstart =
    19;  // 3 BCD bytes: (10000 a + 100 b + c) / 10000 MHz
inline constexpr int kFcoarse = 22;  // 2 BCD bytes: 0.001 (100 a + b) MHz
inline constexpr int kFstop = 24;    // 3 BCD bytes, as kFstart
inline constexpr int kFfine = 27;    // 2 BCD bytes, as kFcoarse
inline constexpr int kH0 = 35;       // 2 BCD bytes: 100 a + b km, first height
inline constexpr int kHstep = 37;    // BCD km between heights; code 2 is 2.5 km
inline constexpr int kNhts = 38;     // 2 BCD bytes: 100 a + b heights
inline constexpr int kAtten = 42;   // BCD: 6 dB steps when at most 7, else 0 dB
inline constexpr int kFormat = 45;  // BCD format code, kRsfFormatCode
}  // namespace rsfhdr

// Frequency-group sub-header: offsets from the start of the group. The
// echo bytes follow it: two per height sample, of which only the first
// counts; its top five bits (byte / 8) are the amplitude, 0 to 31.
namespace rsfgrp {
inline constexpr int kMode = 0;      // high nibble: polarisation code + 1
                                     // (2 = X, 3 = O); low nibble: a size
                                     // code, not interpreted
inline constexpr int kMhz = 1;       // BCD whole MHz
inline constexpr int kCentiMhz = 2;  // BCD hundredths of MHz
inline constexpr int kGain = 3;      // low nibble: gain code (3 dB steps)
inline constexpr int kEcho = 6;      // first echo byte (offsets 4, 5 unused)
}  // namespace rsfgrp

// How a block is filled, by the header's number of heights:
//   nhts 128: 15 groups of 128 samples (262 bytes), 106 bytes padding
//   nhts 256:  8 groups of 249 samples (504 bytes),   4 bytes padding
//   nhts 512:  4 groups of 501 samples (1008 bytes),  4 bytes padding
struct RsfLayout {
  int32_t ngroups;     // frequency groups per block
  int32_t nsum;        // height samples per group
  int32_t group_size;  // bytes per group: 6 + 2 nsum
  int32_t padding;     // bytes after the last group
};

// The layout for `nhts` heights; nullopt unless nhts is 128, 256 or 512.
std::optional<RsfLayout> rsf_layout(int32_t nhts);

enum class RsfStatus {
  kOk,
  kEndOfFile,         // fewer than 60 bytes left for a header: the file's end
  kNotRsf,            // format code is not 4 (the header fields are set)
  kBadHeights,        // nhts is not 128, 256 or 512
  kTruncatedGroup,    // the file ends inside a frequency group
  kTruncatedPadding,  // the file ends inside a block's padding
  kBlockEnd,          // the block's groups are done and its padding skipped
};

// The message to print for a failing status: "header says this is not .rsf
// format !", "undefined option in read_frgroup" (to be followed by the
// value of nhts), "unexpected end of frequency group", or a message for a
// file ending inside the padding. Empty for kOk, kEndOfFile and kBlockEnd.
const char* rsf_message(RsfStatus status);

// The decoded header of a block.
struct RsfHeader {
  std::array<int32_t, kRsfHeaderSize> ibcd{};  // BCD value of every byte
  int32_t year = 0;                            // two-digit year
  int32_t day = 0;  // day of year, always julian(year, month, mday)
  int32_t month = 0;
  int32_t mday = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  std::string arxid;                                    // 3 raw bytes
  std::string atxid;                                    // 3 raw bytes
  float fstart = 0, fcoarse = 0, fstop = 0, ffine = 0;  // MHz
  float h0 = 0;                                         // km
  float hstep = 0;                                      // km
  int32_t nhts = 0;
  float atten = 0;  // dB
};

// One decoded frequency group.
struct FrGroup {
  float fMhz = 0;    // frequency, MHz
  int32_t pol = 0;   // 1 = X mode, 2 = O mode; other values neither
  int32_t gain = 0;  // gain code, 0 to 15
  float mps = 0;     // most frequent amplitude, ties to the smaller one
  int32_t nsum = 0;  // valid entries of amp
  std::array<int32_t, kRsfMaxHeights> amp{};  // amplitude per height, 0..31
};

// BCD value of a byte: 10 * high nibble + low nibble (0x1A gives 20).
constexpr int32_t bcd(uint8_t b) { return 10 * (b >> 4) + (b & 0x0F); }

// Day of the year, 1 for January 1. February has 29 days when the
// two-digit `year` is divisible by 4. A month of 0 gives mday; a month
// above 12 counts all twelve months before mday.
int32_t julian(int32_t year, int32_t month, int32_t mday);

// Decodes the header at the start of `bytes` (the first 60 are read).
// kEndOfFile when fewer than 60 bytes are given: `hdr` is left unchanged.
// kNotRsf when the format code is not 4: every field but `atten` is set.
// The number of heights is not checked here (see rsf_layout).
RsfStatus read_header(std::span<const uint8_t> bytes, RsfHeader& hdr);

// Decodes the group at the start of `bytes` for a block of `nhts` heights.
// kBadHeights for an unknown nhts; kTruncatedGroup when `bytes` is shorter
// than the group. On any failure `grp` is left unchanged.
RsfStatus read_frgroup(std::span<const uint8_t> bytes,
                       int32_t nhts,
                       FrGroup& grp);

// A walk through one file held in memory, in the order the extractor reads
// it: a header, then its block's groups one per call, then one call that
// skips the padding and reports the block's end, then the next header.
struct RsfCursor {
  std::span<const uint8_t> bytes;  // the whole file
  std::size_t pos = 0;             // offset of the next unread byte
  int32_t icall = 0;               // groups delivered since the last header
  int32_t nhts = 0;                // heights of the last header read
};

// Reads the header at the cursor and moves past it. On kEndOfFile nothing
// moves and `hdr` keeps its values; on kNotRsf the cursor has moved.
RsfStatus next_header(RsfCursor& c, RsfHeader& hdr);

// After a header: delivers the block's next group (kOk), or, once all its
// groups are delivered, skips the padding and returns kBlockEnd (then call
// next_header). kBadHeights, kTruncatedGroup and kTruncatedPadding as above;
// after a failure the cursor does not move.
RsfStatus next_frgroup(RsfCursor& c, FrGroup& grp);

}  // namespace ionoscan
