// Free-form output: the exact spellings, and that every value written reads
// back to the identical bits, alone and inside a series record.
#include "freeform_out.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <sstream>

#include "freeform_in.h"
#include "series.h"

namespace {

TEST(FreeformWrite, Real64Spellings) {
  EXPECT_EQ(textio::ff_real64(1.0), "1.0000000000000000");
  EXPECT_EQ(textio::ff_real64(0.1), "0.10000000000000001");
  EXPECT_EQ(textio::ff_real64(123.456), "123.45600000000000");
  EXPECT_EQ(textio::ff_real64(-2.5), "-2.5000000000000000");
  EXPECT_EQ(textio::ff_real64(1e-5), "1.0000000000000001E-005");
  EXPECT_EQ(textio::ff_real64(1e-300), "1.0000000000000000E-300");
  EXPECT_EQ(textio::ff_real64(1e16), "10000000000000000.");
  EXPECT_EQ(textio::ff_real64(99999999999999984.0), "99999999999999984.");
  EXPECT_EQ(textio::ff_real64(1e17), "1.0000000000000000E+017");
  EXPECT_EQ(textio::ff_real64(0.099999999999999992), "9.9999999999999992E-002");
  EXPECT_EQ(textio::ff_real64(0.0), "0.0000000000000000");
  EXPECT_EQ(textio::ff_real64(-0.0), "-0.0000000000000000");
  EXPECT_EQ(textio::ff_real64(NAN), "NaN");
  EXPECT_EQ(textio::ff_real64(INFINITY), "Infinity");
  EXPECT_EQ(textio::ff_real64(-INFINITY), "-Infinity");
}

TEST(FreeformWrite, Real32Spellings) {
  EXPECT_EQ(textio::ff_real32(5.0f), "5.00000000");
  EXPECT_EQ(textio::ff_real32(1e-5f), "9.99999975E-06");
  EXPECT_EQ(textio::ff_real32(1e20f), "1.00000002E+20");
  EXPECT_EQ(textio::ff_real32(123456789.0f), "123456792.");
  EXPECT_EQ(textio::ff_real32(1e9f), "1.00000000E+09");
  EXPECT_EQ(textio::ff_real32(0.1f), "0.100000001");
  EXPECT_EQ(textio::ff_real32(0.099999994f), "9.99999940E-02");
  EXPECT_EQ(textio::ff_real32(0.0f), "0.00000000");
  EXPECT_EQ(textio::ff_real32(-3.25f), "-3.25000000");
}

TEST(FreeformWrite, LineStartsWithABlankAndSeparatesByOne) {
  EXPECT_EQ(textio::free_line("read ", 5, std::string("x")), " read  5 x");
  EXPECT_EQ(textio::free_line(int32_t(-3), 2.0f, true), " -3 2.00000000 T");
  EXPECT_EQ(textio::free_line(), "");
}

// Random bit patterns cover every exponent, denormals, zeros, NaNs and
// infinities.
double random_double(std::mt19937_64& g) { return std::bit_cast<double>(g()); }
float random_float(std::mt19937_64& g) {
  return std::bit_cast<float>(uint32_t(g()));
}

bool same(double a, double b) {
  return std::isnan(a)
             ? std::isnan(b)
             : std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}
bool same(float a, float b) {
  return std::isnan(a)
             ? std::isnan(b)
             : std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

TEST(FreeformWrite, EveryValueReadsBackToTheSameBits) {
  std::mt19937_64 g(20261208);
  std::string text;
  std::vector<double> ds;
  std::vector<float> fs;
  const double specials[] = {0.0,
                             -0.0,
                             INFINITY,
                             -INFINITY,
                             NAN,
                             5e-324,
                             1.7976931348623157e308,
                             0.1,
                             1e17,
                             1e16};
  for (double d : specials) ds.push_back(d), fs.push_back(float(d));
  while (ds.size() < 100000) ds.push_back(random_double(g));
  while (fs.size() < 100000) fs.push_back(random_float(g));
  for (size_t k = 0; k < ds.size(); ++k) {
    text += textio::free_line(ds[k], fs[k]) + "\n";
  }
  std::istringstream in(text);
  textio::LineSource src;
  src.in = &in;
  src.name = "written";
  int bad = 0;
  for (size_t k = 0; k < ds.size(); ++k) {
    double d = 1;
    float f = 1;
    ASSERT_EQ(textio::read_list(src, {textio::item(d), textio::item(f)}).status,
              textio::ReadStatus::kOk);
    if (!same(d, ds[k]) || !same(f, fs[k])) {
      if (++bad < 5) {
        ADD_FAILURE() << textio::free_line(ds[k], fs[k]) << " read back as "
                      << textio::free_line(d, f);
      }
    }
  }
  EXPECT_EQ(bad, 0);
}

TEST(SeriesRecord, RoundTripsBitForBitThroughALineAndThroughARead) {
  std::mt19937_64 g(7);
  std::string file;
  std::vector<textio::SeriesRecord> recs;
  for (int k = 0; k < 100000; ++k) {
    textio::SeriesRecord r{int32_t(g() % 100),
                           int32_t(g() % 367),
                           int32_t(g() % 24),
                           int32_t(g() % 60),
                           random_double(g),
                           random_double(g),
                           random_double(g),
                           random_float(g)};
    if (k % 3 == 0) r.hours = double(k) / 12.0, r.timestep = 5.0f;
    recs.push_back(r);
    std::string line = textio::format_series(r);
    textio::SeriesRecord back;
    std::string why;
    ASSERT_TRUE(textio::parse_series_line(line, back, why))
        << line << ": " << why;
    ASSERT_TRUE(back.year == r.year && back.day == r.day &&
                back.hour == r.hour && back.minute == r.minute &&
                same(back.hours, r.hours) && same(back.value, r.value) &&
                same(back.sigma, r.sigma) && same(back.timestep, r.timestep))
        << line;
    file += line + "\n";
  }
  std::istringstream in(file);
  textio::LineSource src;
  src.in = &in;
  src.name = "series";
  EXPECT_EQ(textio::count_record_lines(src), 100000);
  for (const auto& r : recs) {
    textio::SeriesRecord back;
    ASSERT_EQ(textio::read_series(src, back).status, textio::ReadStatus::kOk);
    ASSERT_TRUE(same(back.value, r.value) && back.minute == r.minute);
  }
}

TEST(SeriesRecord, ALineMustHoldExactlyOneRecordOfEightValues) {
  textio::SeriesRecord r;
  std::string why;
  EXPECT_TRUE(
      textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5 15.0", r, why));
  EXPECT_EQ(r.minute, 15);
  EXPECT_EQ(r.timestep, 15.0f);
  EXPECT_TRUE(
      textio::parse_series_line("4,100,10,15,0.25,250.5,3.5,15\r", r, why));
  EXPECT_FALSE(textio::parse_series_line("", r, why));
  EXPECT_FALSE(textio::parse_series_line("   ", r, why));
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5", r, why));
  EXPECT_NE(why.find("7"), std::string::npos) << why;
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5 15 9", r, why));
  // Unless the reader drops the rest of the line after the eighth value.
  EXPECT_TRUE(textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5 15 9 x/",
                                        r,
                                        why,
                                        textio::AfterRecord::kAnything));
  EXPECT_EQ(r.timestep, 15.0f);
  EXPECT_FALSE(textio::parse_series_line(
      " 4 100 10 15 0.25 250.5 3.5", r, why, textio::AfterRecord::kAnything));
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 ten 15 0.25 250.5 3.5 15", r, why));
  EXPECT_NE(why.find("ten"), std::string::npos) << why;
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5 x", r, why));
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 10.5 15 0.25 250.5 3.5 15", r, why));
  EXPECT_FALSE(
      textio::parse_series_line(" 4,,100 10 15 0.25 250.5 3.5 15", r, why));
  EXPECT_FALSE(
      textio::parse_series_line(" 4 100 10 15 0.25 250.5 3.5 15,", r, why));
}

TEST(SeriesRecord, AnEmptyFileIsAnEmptySeries) {
  std::istringstream in("");
  textio::LineSource src;
  src.in = &in;
  src.name = "empty";
  EXPECT_EQ(textio::count_record_lines(src), 0);
  textio::SeriesRecord r;
  EXPECT_EQ(textio::read_series(src, r).status, textio::ReadStatus::kEof);
}

}  // namespace
