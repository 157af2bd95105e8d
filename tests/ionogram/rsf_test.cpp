// Decoders of RSF headers and frequency groups on hand-built bytes.
#include "rsf.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace ionoscan {
namespace {

using Bytes = std::vector<uint8_t>;

// Two decimal digits as a BCD byte.
uint8_t bcd_byte(int v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

// A valid header (format code 4, 128 heights) with some bytes overridden;
// offsets are 0-based.
Bytes header_bytes(std::initializer_list<std::pair<int, uint8_t>> set = {}) {
  Bytes h(kRsfHeaderSize, 0);
  h[rsfhdr::kYear] = 0x04;
  h[rsfhdr::kMonth] = 0x01;
  h[rsfhdr::kMday] = 0x01;
  h[rsfhdr::kNhts] = 0x01;
  h[rsfhdr::kNhts + 1] = 0x28;
  h[rsfhdr::kFormat] = 0x04;
  for (auto [off, v] : set) h[off] = v;
  return h;
}

// A group for `nhts` heights with sub-header bytes 1-4 and the echo bytes
// of its first samples; the rest of the echo bytes are zero.
Bytes group_bytes(int32_t nhts,
                  std::initializer_list<uint8_t> sub,
                  std::initializer_list<uint8_t> echo = {}) {
  Bytes g(rsf_layout(nhts)->group_size, 0);
  std::copy(sub.begin(), sub.end(), g.begin());
  std::copy(echo.begin(), echo.end(), g.begin() + rsfgrp::kEcho);
  return g;
}

RsfHeader decode(const Bytes& b) {
  RsfHeader h;
  EXPECT_EQ(read_header(b, h), RsfStatus::kOk);
  return h;
}

TEST(Bcd, TakesBytesUnsignedAndHighNibblesAboveNineAsTheyAre) {
  EXPECT_EQ(bcd(0x00), 0);
  EXPECT_EQ(bcd(0x80), 80);
  EXPECT_EQ(bcd(0x99), 99);
  EXPECT_EQ(bcd(0x1A), 20);
  EXPECT_EQ(bcd(0xFF), 165);
}

TEST(Julian, CountsFebruaryBy29DaysInTwoDigitYearsDivisibleByFour) {
  EXPECT_EQ(julian(5, 9, 1), 244);
  EXPECT_EQ(julian(4, 9, 1), 245);
  EXPECT_EQ(julian(4, 3, 1), 61);
  EXPECT_EQ(julian(0, 2, 29), 60);
  EXPECT_EQ(julian(5, 12, 31), 365);
  EXPECT_EQ(julian(4, 12, 31), 366);
  EXPECT_EQ(julian(4, 1, 1), 1);
}

TEST(Julian, MonthZeroGivesTheDayOfMonthAndLargeMonthsCountTheWholeYear) {
  EXPECT_EQ(julian(5, 0, 17), 17);
  EXPECT_EQ(julian(5, 13, 2), 367);
  EXPECT_EQ(julian(4, 99, 2), 368);
}

TEST(ReadHeader, DecodesTimeIdsFrequenciesAndHeightAxis) {
  const RsfHeader h = decode(
      header_bytes({{rsfhdr::kYear, 0x04},        {rsfhdr::kDayHigh, 0x00},
                    {rsfhdr::kDayLow, 0x01},      {rsfhdr::kMonth, 0x02},
                    {rsfhdr::kMday, 0x03},        {rsfhdr::kHour, 0x23},
                    {rsfhdr::kMinute, 0x59},      {rsfhdr::kSecond, 0x58},
                    {rsfhdr::kArxid, 'A'},        {rsfhdr::kArxid + 1, 'B'},
                    {rsfhdr::kArxid + 2, 0xC3},   {rsfhdr::kAtxid, 'x'},
                    {rsfhdr::kAtxid + 1, 'y'},    {rsfhdr::kAtxid + 2, 'z'},
                    {rsfhdr::kFstart, 0x01},      {rsfhdr::kFstart + 1, 0x23},
                    {rsfhdr::kFstart + 2, 0x45},  {rsfhdr::kFcoarse, 0x00},
                    {rsfhdr::kFcoarse + 1, 0x50}, {rsfhdr::kFstop, 0x12},
                    {rsfhdr::kFstop + 1, 0x95},   {rsfhdr::kFfine, 0x00},
                    {rsfhdr::kFfine + 1, 0x05},   {rsfhdr::kH0, 0x00},
                    {rsfhdr::kH0 + 1, 0x80},      {rsfhdr::kHstep, 0x02},
                    {rsfhdr::kNhts, 0x05},        {rsfhdr::kNhts + 1, 0x12},
                    {rsfhdr::kAtten, 0x07}}));
  EXPECT_EQ(h.year, 4);
  EXPECT_EQ(h.day, 34);  // 3 February; the stored day 001 is replaced
  EXPECT_EQ(h.month, 2);
  EXPECT_EQ(h.mday, 3);
  EXPECT_EQ(h.hour, 23);
  EXPECT_EQ(h.minute, 59);
  EXPECT_EQ(h.second, 58);
  EXPECT_EQ(h.arxid, std::string("AB\xC3"));
  EXPECT_EQ(h.atxid, "xyz");
  EXPECT_EQ(h.fstart, 12345.0f / 10000.0f);
  EXPECT_EQ(h.fcoarse, 0.001f * 50.0f);
  EXPECT_EQ(h.fstop, 129500.0f / 10000.0f);
  EXPECT_EQ(h.ffine, 0.001f * 5.0f);
  EXPECT_EQ(h.h0, 80.0f);
  EXPECT_EQ(h.hstep, 2.5f);
  EXPECT_EQ(h.nhts, 512);
  EXPECT_EQ(h.atten, 42.0f);
  EXPECT_EQ(h.ibcd[rsfhdr::kMinute], 59);
  EXPECT_EQ(h.ibcd[rsfhdr::kArxid + 2], 0xC * 10 + 3);
}

TEST(ReadHeader, HeightAxisAndAttenuationCodes) {
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kH0 + 1, 0x90}})).h0, 90.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kH0, 0x01}})).h0, 100.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kHstep, 0x05}})).hstep, 5.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kHstep, 0x10}})).hstep, 10.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kNhts + 1, 0x28}})).nhts, 128);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kAtten, 0x00}})).atten, 0.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kAtten, 0x01}})).atten, 6.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kAtten, 0x08}})).atten, 0.0f);
  EXPECT_EQ(decode(header_bytes({{rsfhdr::kAtten, 0x12}})).atten, 0.0f);
}

TEST(ReadHeader, FewerThanSixtyBytesIsTheEndOfTheFileAndChangesNothing) {
  RsfHeader h = decode(header_bytes({{rsfhdr::kHour, 0x11}}));
  Bytes shorter = header_bytes({{rsfhdr::kHour, 0x05}});
  shorter.pop_back();
  EXPECT_EQ(read_header(shorter, h), RsfStatus::kEndOfFile);
  EXPECT_EQ(read_header({}, h), RsfStatus::kEndOfFile);
  EXPECT_EQ(h.hour, 11);
}

TEST(ReadHeader, FormatCodeOtherThanFourIsRefusedAfterTheFieldsAreSet) {
  RsfHeader h = decode(header_bytes({{rsfhdr::kAtten, 0x02}}));
  EXPECT_EQ(h.atten, 12.0f);
  for (uint8_t code : {0x40, 0x03, 0x05}) {
    EXPECT_EQ(read_header(header_bytes({{rsfhdr::kFormat, code},
                                        {rsfhdr::kHour, 0x07},
                                        {rsfhdr::kAtten, 0x00}}),
                          h),
              RsfStatus::kNotRsf);
    EXPECT_EQ(h.hour, 7);
    EXPECT_EQ(h.atten, 12.0f);  // set only after the check
  }
  EXPECT_STREQ(rsf_message(RsfStatus::kNotRsf),
               "header says this is not .rsf format !");
}

TEST(RsfLayout, FillsEveryBlockToExactly4096Bytes) {
  const int32_t expect[3][4] = {
      {128, 15, 128, 106}, {256, 8, 249, 4}, {512, 4, 501, 4}};
  for (const auto& e : expect) {
    const auto lay = rsf_layout(e[0]);
    ASSERT_TRUE(lay.has_value());
    EXPECT_EQ(lay->ngroups, e[1]);
    EXPECT_EQ(lay->nsum, e[2]);
    EXPECT_EQ(lay->padding, e[3]);
    EXPECT_EQ(lay->group_size, 6 + 2 * e[2]);
    EXPECT_EQ(60 + lay->ngroups * lay->group_size + lay->padding, 4096);
  }
  for (int32_t bad : {0, 127, 249, 300, 1024}) {
    EXPECT_FALSE(rsf_layout(bad).has_value()) << bad;
  }
}

TEST(ReadFrgroup, PolarisationIsTheFirstByteAndHundredthsTheThird) {
  FrGroup g;
  ASSERT_EQ(read_frgroup(group_bytes(128, {0x23, 0x05, 0x25, 0x3A}), 128, g),
            RsfStatus::kOk);
  EXPECT_EQ(g.fMhz, 5.0f + 25.0f * 0.01f);
  EXPECT_FLOAT_EQ(g.fMhz, 5.25f);
  EXPECT_EQ(g.pol, 1);
  EXPECT_EQ(g.gain, 10);
  EXPECT_EQ(g.nsum, 128);

  ASSERT_EQ(read_frgroup(group_bytes(256, {0x33, 0x05, 0x35, 0xF0}), 256, g),
            RsfStatus::kOk);
  EXPECT_EQ(g.fMhz, 5.0f + 35.0f * 0.01f);
  EXPECT_EQ(g.pol, 2);
  EXPECT_EQ(g.gain, 0);
  EXPECT_EQ(g.nsum, 249);

  ASSERT_EQ(read_frgroup(group_bytes(512, {0x13, 0x05, 0x15}), 512, g),
            RsfStatus::kOk);
  EXPECT_EQ(g.fMhz, 5.0f + 15.0f * 0.01f);
  EXPECT_EQ(g.pol, 0);
  EXPECT_EQ(g.nsum, 501);

  ASSERT_EQ(read_frgroup(group_bytes(128, {0x03, 0x99, 0x99}), 128, g),
            RsfStatus::kOk);
  EXPECT_EQ(g.pol, -1);
  EXPECT_EQ(g.fMhz, 99.0f + 99.0f * 0.01f);
}

TEST(ReadFrgroup, AmplitudeIsTheTopFiveBitsOfTheFirstByteOfEachPair) {
  FrGroup g;
  ASSERT_EQ(read_frgroup(
                group_bytes(128,
                            {0x23, 0x01, 0x00, 0x00, 0xFF, 0xFF},
                            {0xFF, 0x00, 0x07, 0xFF, 0x08, 0xFF, 0x80, 0x00}),
                128,
                g),
            RsfStatus::kOk);
  EXPECT_EQ(g.amp[0], 31);
  EXPECT_EQ(g.amp[1], 0);
  EXPECT_EQ(g.amp[2], 1);
  EXPECT_EQ(g.amp[3], 16);
  EXPECT_EQ(g.amp[127], 0);
}

TEST(ReadFrgroup, MostFrequentAmplitudeTiesToTheSmallerOne) {
  FrGroup g;
  ASSERT_EQ(read_frgroup(group_bytes(128, {0x23}), 128, g), RsfStatus::kOk);
  EXPECT_EQ(g.mps, 0.0f);

  // 60 samples of 5 first, then 60 of 3, and 8 zeros: a tie of 3 and 5.
  Bytes b = group_bytes(128, {0x23});
  for (int k = 0; k < 120; ++k) {
    b[rsfgrp::kEcho + 2 * k] = static_cast<uint8_t>((k < 60 ? 5 : 3) * 8 + 7);
  }
  ASSERT_EQ(read_frgroup(b, 128, g), RsfStatus::kOk);
  EXPECT_EQ(g.mps, 3.0f);

  b[rsfgrp::kEcho + 2 * 120] = 5 * 8;  // one more 5 breaks the tie
  ASSERT_EQ(read_frgroup(b, 128, g), RsfStatus::kOk);
  EXPECT_EQ(g.mps, 5.0f);
}

TEST(ReadFrgroup, UnknownHeightCountOrShortGroupLeavesTheGroupUnchanged) {
  FrGroup g;
  ASSERT_EQ(read_frgroup(group_bytes(128, {0x23, 0x07}), 128, g),
            RsfStatus::kOk);
  EXPECT_EQ(read_frgroup(group_bytes(512, {0x33, 0x08}), 300, g),
            RsfStatus::kBadHeights);
  Bytes cut = group_bytes(128, {0x33, 0x09});
  cut.pop_back();
  EXPECT_EQ(read_frgroup(cut, 128, g), RsfStatus::kTruncatedGroup);
  EXPECT_EQ(g.fMhz, 7.0f);
  EXPECT_EQ(g.pol, 1);
  EXPECT_STREQ(rsf_message(RsfStatus::kBadHeights),
               "undefined option in read_frgroup");
  EXPECT_STREQ(rsf_message(RsfStatus::kTruncatedGroup),
               "unexpected end of frequency group");
}

// A file of `nblocks` blocks for `nhts` heights whose group k of the file
// (counted from 0) is at k / 100 MHz.
Bytes file_bytes(int32_t nhts, int nblocks) {
  const RsfLayout lay = *rsf_layout(nhts);
  Bytes f;
  int k = 0;
  for (int b = 0; b < nblocks; ++b) {
    Bytes h = header_bytes({{rsfhdr::kNhts, static_cast<uint8_t>(nhts / 100)},
                            {rsfhdr::kNhts + 1, bcd_byte(nhts % 100)}});
    f.insert(f.end(), h.begin(), h.end());
    for (int g = 0; g < lay.ngroups; ++g, ++k) {
      Bytes gr =
          group_bytes(nhts, {0x23, bcd_byte(k / 100), bcd_byte(k % 100), 0x01});
      f.insert(f.end(), gr.begin(), gr.end());
    }
    f.insert(f.end(), lay.padding, 0xEE);
  }
  return f;
}

TEST(RsfCursor, WalksHeaderGroupsAndPaddingBlockByBlock) {
  for (int32_t nhts : {128, 256, 512}) {
    const RsfLayout lay = *rsf_layout(nhts);
    const Bytes f = file_bytes(nhts, 2);
    RsfCursor c{f};
    RsfHeader h;
    FrGroup g;
    int k = 0;
    for (int b = 0; b < 2; ++b) {
      ASSERT_EQ(next_header(c, h), RsfStatus::kOk);
      EXPECT_EQ(h.nhts, nhts);
      for (int i = 0; i < lay.ngroups; ++i, ++k) {
        ASSERT_EQ(next_frgroup(c, g), RsfStatus::kOk) << nhts << " " << k;
        EXPECT_EQ(
            g.fMhz,
            static_cast<float>(k / 100) + static_cast<float>(k % 100) * 0.01f);
      }
      // The call after the last group delivers nothing and ends the block.
      ASSERT_EQ(next_frgroup(c, g), RsfStatus::kBlockEnd);
      EXPECT_EQ(c.pos, static_cast<std::size_t>((b + 1) * kRsfBlockSize));
      EXPECT_EQ(g.fMhz,
                static_cast<float>((k - 1) / 100) +
                    static_cast<float>((k - 1) % 100) * 0.01f);
    }
    EXPECT_EQ(next_header(c, h), RsfStatus::kEndOfFile);
    EXPECT_EQ(c.pos, f.size());
  }
}

TEST(RsfCursor, FileEndingInsideAGroupOrThePaddingIsReported) {
  const RsfLayout lay = *rsf_layout(128);
  const Bytes whole = file_bytes(128, 1);
  RsfHeader h;
  FrGroup g;

  // Cut in the middle of the 3rd group.
  const Bytes mid(whole.begin(), whole.begin() + 60 + 2 * lay.group_size + 100);
  RsfCursor c{mid};
  ASSERT_EQ(next_header(c, h), RsfStatus::kOk);
  EXPECT_EQ(next_frgroup(c, g), RsfStatus::kOk);
  EXPECT_EQ(next_frgroup(c, g), RsfStatus::kOk);
  const std::size_t at = c.pos;
  EXPECT_EQ(next_frgroup(c, g), RsfStatus::kTruncatedGroup);
  EXPECT_EQ(c.pos, at);

  // Cut inside the padding.
  const Bytes pad(whole.begin(), whole.end() - 1);
  RsfCursor p{pad};
  ASSERT_EQ(next_header(p, h), RsfStatus::kOk);
  for (int i = 0; i < lay.ngroups; ++i) {
    ASSERT_EQ(next_frgroup(p, g), RsfStatus::kOk);
  }
  EXPECT_EQ(next_frgroup(p, g), RsfStatus::kTruncatedPadding);
  EXPECT_NE(std::string(rsf_message(RsfStatus::kTruncatedPadding)), "");

  // A header too short to read ends the file without moving the cursor.
  const Bytes tail(whole.begin(), whole.begin() + 59);
  RsfCursor t{tail};
  EXPECT_EQ(next_header(t, h), RsfStatus::kEndOfFile);
  EXPECT_EQ(t.pos, 0u);
}

TEST(RsfCursor, UnknownHeightCountStopsTheFirstGroup) {
  Bytes f = file_bytes(128, 1);
  f[rsfhdr::kNhts] = 0x03;
  f[rsfhdr::kNhts + 1] = 0x00;
  RsfCursor c{f};
  RsfHeader h;
  FrGroup g;
  ASSERT_EQ(next_header(c, h), RsfStatus::kOk);
  EXPECT_EQ(h.nhts, 300);
  EXPECT_EQ(next_frgroup(c, g), RsfStatus::kBadHeights);
}

}  // namespace
}  // namespace ionoscan
