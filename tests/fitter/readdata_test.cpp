// The data dialogue end to end: answers from a string, a series file in a
// temporary directory, the printed lines and the stored points; and the
// step grid of the window.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "freeform_out.h"
#include "getdata.h"
#include "series.h"
#include "tempdir.h"

namespace ptfit {
namespace {

namespace fs = std::filesystem;

using testsupport::TempDir;

struct Rec {
  int32_t year, day, hour, minute;
  double value = 100, sigma = 1;
  float timestep = 15;
  double hours = 0;
};

void write_series(const std::string& path, const std::vector<Rec>& recs) {
  std::ofstream f(path);
  for (const Rec& r : recs) {
    textio::SeriesRecord s;
    s.year = r.year;
    s.day = r.day;
    s.hour = r.hour;
    s.minute = r.minute;
    s.hours = r.hours;
    s.value = r.value;
    s.sigma = r.sigma;
    s.timestep = r.timestep;
    f << textio::format_series(s) << '\n';
  }
}

struct Dialogue {
  ReadDataResult res;
  std::string out;
  Global g;
  Data d;
};

Dialogue run_readdata(const std::string& answers) {
  std::istringstream iss(answers);
  textio::LineSource src;
  src.in = &iss;
  src.name = "standard input";
  Dialogue r;
  std::ostringstream out;
  r.res = readdata(r.g, r.d, src, out);
  r.out = out.str();
  return r;
}

std::string answers(const std::string& dir,
                    const std::string& file,
                    const std::string& start,
                    const std::string& stop,
                    int modeltype = 2) {
  return std::to_string(modeltype) + "\n'" + dir + "'\n" + file + "\n" + start +
         "\n" + stop + "\n";
}

std::vector<double> times(const Data& d) {
  return {d.simdata.begin(), d.simdata.begin() + d.ndata};
}

TEST(ReadData, DialogueSelectionAndStoredPointsPrintExactly) {
  TempDir tmp;
  // The fifth field is garbage on purpose: times come from fields 1-4.
  write_series(tmp.path + "/data.dat",
               {{13, 100, 9, 45, 10, 1, 15, 99},
                {13, 100, 10, 0, 11, 2, 15, -7},
                {13, 100, 10, 15, 12, 3, 15, 1e9},
                {0, 0, 0, 0, 0, 0, 15, 0},
                {13, 100, 10, 45, 13, 0, 15, 3},
                {13, 100, 11, 0, 14, 5, 15, 4},
                {13, 100, 11, 15, 15, 6, 15, 5}});
  Dialogue r = run_readdata(
      answers(tmp.path + "/", "data.dat", "13 100 10 0", "13 100 11 0"));
  ASSERT_EQ(r.res.outcome, ReadOutcome::kOk) << r.out;
  const std::string dir = tmp.path + "/";
  std::string want =
      " enter modeltype\n"
      " read 2\n"
      " enter directory where data is located\n"
      " read " +
      dir +
      "\n"
      " enter filename,year,yearday,startread, stopread\n"
      " Will look for the range:\n"
      " 13 100 10 0\n"
      " 13 100 11 0\n"
      " number of lines: 7\n"
      " 13 100 10 0\n"
      " 13 100 10 15\n"
      " 13 100 10 45\n"
      " empty records skipped (steps without a sounding): 1\n"
      " memory allocated for simulation data \n"
      " looking in directory " +
      dir +
      "\n"
      " opening file " +
      dir +
      "data.dat\n"
      " read  3  simulation data:\n" +
      textio::free_line(0.0, 11.0, 2.0) + "\n" +
      textio::free_line(0.25, 12.0, 3.0) + "\n" +
      textio::free_line(0.75, 13.0, 0.0) + "\n" + " exiting readdata\n";
  EXPECT_EQ(r.out, want);
  EXPECT_EQ(r.d.modeltype, 2);
  EXPECT_EQ(r.d.ndata, 3);
  EXPECT_EQ(r.d.simdata,
            (std::vector<double>{0, 0.25, 0.75, 11, 12, 13, 2, 3, 0}));
  EXPECT_EQ(r.g.stoprun, 0);
  EXPECT_EQ(r.d.window.timestep, 15.0f);  // the last record read
}

TEST(ReadData, StartWithoutExactRecordBeginsAtNextRecordOfTheDay) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{13, 99, 23, 50}, {13, 100, 10, 30}, {13, 100, 10, 45}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 101 0 0"));
  ASSERT_EQ(r.res.outcome, ReadOutcome::kOk) << r.out;
  EXPECT_EQ(times(r.d), (std::vector<double>{0.5, 0.75}));
}

TEST(ReadData, WindowWithoutRecordsSetsStoprun) {
  TempDir tmp;
  write_series(tmp.path + "/d", {{13, 101, 0, 0}, {13, 101, 0, 15}});
  struct Case {
    const char* start;
    const char* stop;
  };
  // A first record on a later day than the start day; an end before the
  // first record of the window.
  for (Case c :
       {Case{"13 100 10 0", "13 102 0 0"}, Case{"13 101 0 0", "13 100 0 0"}}) {
    Dialogue r = run_readdata(answers(tmp.path + "/", "d", c.start, c.stop));
    EXPECT_EQ(r.res.outcome, ReadOutcome::kNoData);
    EXPECT_EQ(r.g.stoprun, 1);
    EXPECT_TRUE(r.d.simdata.empty());
    EXPECT_NE(r.out.find("\n datafile d does not have any values in the "
                         "requested timerange\n"),
              std::string::npos)
        << r.out;
  }
}

TEST(ReadData, OnlyEmptyRecordsInTheWindowAreNoData) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{13, 100, 10, 0}, {0, 0, 0, 0}, {13, 100, 10, 30}});
  Dialogue r = run_readdata(
      answers(tmp.path + "/", "d", "13 100 10 15", "13 100 10 30"));
  EXPECT_EQ(r.res.outcome, ReadOutcome::kNoData) << r.out;
}

TEST(ReadData, YearEndOfALeapYearIsCrossed) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{12, 366, 23, 50, 1, 1, 5},
                {12, 366, 23, 55, 2, 1, 5},
                {13, 1, 0, 5, 3, 1, 5},
                {13, 1, 1, 0, 4, 1, 5}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "12 366 23 50", "13 1 1 0"));
  ASSERT_EQ(r.res.outcome, ReadOutcome::kOk) << r.out;
  const float step = 5.0f / 60.0f;
  EXPECT_EQ(times(r.d),
            (std::vector<double>{0.0, double(step), double(3.0f * 5 / 60)}));
}

TEST(ReadData, FileNameIsDirectoryJoinedWithoutSeparator) {
  TempDir tmp;
  write_series(tmp.path + "/data.dat", {{13, 100, 10, 0}});
  // "…/da" + "ta.dat" names …/data.dat.
  Dialogue r = run_readdata(
      answers(tmp.path + "/da", "ta.dat", "13 100 10 0", "14 1 0 0"));
  EXPECT_EQ(r.res.outcome, ReadOutcome::kOk) << r.out;

  Dialogue missing =
      run_readdata(answers(tmp.path, "data.dat", "13 100 10 0", "14 1 0 0"));
  EXPECT_EQ(missing.res.outcome, ReadOutcome::kStop);
  EXPECT_TRUE(
      missing.out.ends_with(" error opening file " + tmp.path + "data.dat\n"))
      << missing.out;

  Dialogue dir =
      run_readdata(answers(tmp.path, "''", "13 100 10 0", "14 1 0 0"));
  EXPECT_EQ(dir.res.outcome, ReadOutcome::kStop) << dir.out;
}

TEST(ReadData, RecordOffTheGridEndsTheRunNamingItsLine) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{13, 100, 10, 0}, {13, 100, 10, 15}, {13, 100, 10, 20}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.outcome, ReadOutcome::kStop);
  EXPECT_NE(r.out.find(" error: line 3 of " + tmp.path +
                       "/d (year 13, day 100, hour 10, minute 20) lies on no "
                       "time step of the window"),
            std::string::npos)
      << r.out;
}

TEST(ReadData, RecordEarlierThanTheStartEndsTheRun) {
  TempDir tmp;
  // Out of time order: selection goes by position once started.
  write_series(tmp.path + "/d", {{13, 100, 10, 0}, {13, 100, 9, 0}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.outcome, ReadOutcome::kStop);
  EXPECT_NE(r.out.find(" error: line 2 of"), std::string::npos) << r.out;
}

TEST(ReadData, NonPositiveTimeStepEndsTheRun) {
  TempDir tmp;
  write_series(tmp.path + "/d", {{13, 100, 10, 0, 1, 1, 0}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.outcome, ReadOutcome::kStop);
  EXPECT_NE(r.out.find("it must be a positive number of minutes"),
            std::string::npos)
      << r.out;
}

TEST(ReadData, UnreadableInputIsAnInputError) {
  TempDir tmp;
  Dialogue bad_answer = run_readdata("two\n");
  EXPECT_EQ(bad_answer.res.outcome, ReadOutcome::kInputError);
  EXPECT_NE(bad_answer.res.diagnostic.find("standard input, line 1"),
            std::string::npos)
      << bad_answer.res.diagnostic;

  Dialogue early_end = run_readdata("2\n'/tmp/'\nx\n13 100 10 0\n");
  EXPECT_EQ(early_end.res.outcome, ReadOutcome::kInputError);

  // Every line of the file must be one record of 8 values, also outside
  // the window: a short line, a blank line, a record with a ninth value.
  const std::string good = " 13 100 10 0 1 2 3 15\n";
  for (const char* bad : {" 13 100 10 0 1 2 3\n",
                          "\n",
                          " 13 100 10 0 1 2 3 15 9\n",
                          " 13 100 x 0 1 2 3 15\n"}) {
    std::ofstream(tmp.path + "/d") << good << bad << good;
    Dialogue r = run_readdata(
        answers(tmp.path + "/", "d", "13 100 11 0", "13 100 12 0"));
    EXPECT_EQ(r.res.outcome, ReadOutcome::kInputError) << bad;
    EXPECT_TRUE(r.res.diagnostic.starts_with(tmp.path + "/d, line 2: "))
        << r.res.diagnostic;
  }
}

// ---------------------------------------------------------------------------
// The step grid.

TimeGrid grid(int y, int d, int h, int m, float step) {
  TimeGrid g;
  g.year1 = y;
  g.day1 = d;
  g.hour1 = h;
  g.minute1 = m;
  g.timestep = step;
  return g;
}

TEST(Itime, GridRestartsAtMinuteZeroAfterEachHour) {
  TimeGrid g = grid(13, 100, 10, 3, 15);
  EXPECT_EQ(itime(g, 13, 100, 10, 3), 1);
  EXPECT_EQ(itime(g, 13, 100, 10, 18), 2);
  EXPECT_EQ(itime(g, 13, 100, 10, 33), 3);
  EXPECT_EQ(itime(g, 13, 100, 10, 48), 0);  // 33 + 15 > 60 - 15
  EXPECT_EQ(itime(g, 13, 100, 11, 0), 4);
  EXPECT_EQ(itime(g, 13, 100, 11, 45), 7);
  EXPECT_EQ(itime(g, 13, 101, 0, 0), 4 + 13 * 4);
}

TEST(Itime, YearEndsByDivisibilityByFour) {
  TimeGrid plain = grid(13, 365, 23, 55, 5);
  EXPECT_EQ(itime(plain, 14, 1, 0, 0), 2);
  EXPECT_EQ(plain.ly, 365);
  EXPECT_EQ(itime(plain, 13, 366, 0, 0), 0);

  TimeGrid leap = grid(12, 365, 23, 55, 5);
  EXPECT_EQ(itime(leap, 12, 366, 0, 0), 2);
  EXPECT_EQ(itime(leap, 13, 1, 0, 0), 2 + 24 * 12);
  EXPECT_EQ(leap.ly, 365);  // the length of the year reached
  // A century is a leap year too.
  TimeGrid century = grid(100, 366, 23, 55, 5);
  EXPECT_EQ(itime(century, 101, 1, 0, 0), 2);
}

TEST(Itime, CountDoesNotDependOnEarlierCounts) {
  TimeGrid g = grid(12, 366, 23, 0, 30);
  const int32_t late = itime(g, 13, 2, 0, 0);
  EXPECT_EQ(itime(g, 12, 366, 23, 30), 2);
  EXPECT_EQ(itime(g, 13, 2, 0, 0), late);
  EXPECT_EQ(late, 3 + 48);
}

TEST(Itime, TimesOnNoStepGiveZero) {
  TimeGrid g = grid(13, 100, 10, 0, 15);
  EXPECT_EQ(itime(g, 13, 100, 9, 45), 0);  // before the start
  EXPECT_EQ(itime(g, 12, 300, 10, 0), 0);  // an earlier year
  EXPECT_EQ(itime(g, 13, 100, 10, 7), 0);  // between two steps
  EXPECT_EQ(itime(g, 13, 100, 24, 0), 0);  // no such hour
  EXPECT_EQ(itime(g, 0, 0, 0, 0), 0);      // a step without a sounding
  for (float bad : {0.0f, -5.0f, NAN, INFINITY, 1e-9f}) {
    TimeGrid b = grid(13, 100, 10, 0, bad);
    EXPECT_EQ(itime(b, 13, 100, 11, 0), 0) << bad;
  }
  // A fractional step: the minute is compared truncated.
  TimeGrid half = grid(13, 100, 10, 0, 7.5f);
  EXPECT_EQ(itime(half, 13, 100, 10, 7), 2);
  EXPECT_EQ(itime(half, 13, 100, 10, 8), 0);
}

TEST(Itime, SkippingWholeHoursAgreesWithTheStepByStepWalk) {
  std::mt19937 gen(5);
  auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(gen);
  };
  const float steps[] = {
      1, 2.5f, 5, 7.5f, 10, 15, 20, 30, 45, 60, 90, 0.7f, 13.3f, 59, 61};
  for (int n = 0; n < 6000; ++n) {
    // Starts near a year end (some leap), a few out of the calendar.
    TimeGrid g = grid(pick(11, 13),
                      pick(0, 6) == 0 ? pick(-1, 400) : pick(362, 366),
                      pick(0, 20) == 0 ? pick(-2, 30) : pick(0, 23),
                      pick(0, 20) == 0 ? pick(-5, 70) : pick(0, 59),
                      steps[pick(0, 14)]);
    int y = g.year1 + pick(-1, 1) * (pick(0, 3) == 0);
    int d = pick(0, 4) == 0 ? pick(1, 3) : g.day1 + pick(-1, 2);
    if (n % 10 == 0) {  // whole years between: a coarser step
      g.timestep = steps[pick(2, 10)];
      y = g.year1 + pick(1, 3);
      d = pick(0, 367);
    }
    const int h = pick(0, 24), m = pick(0, 60);
    TimeGrid fast = g, plain = g;
    ASSERT_EQ(itime(fast, y, d, h, m), itime_plain(plain, y, d, h, m))
        << g.year1 << " " << g.day1 << " " << g.hour1 << " " << g.minute1
        << " step " << g.timestep << " -> " << y << " " << d << " " << h << " "
        << m;
    ASSERT_EQ(fast.ly, plain.ly);
  }
}

TEST(Time, ClosedFormsAndAcrossTheYearEnd) {
  TimeGrid g = grid(13, 100, 10, 20, 5);
  EXPECT_EQ(ptfit::time(g, 13, 100, 10, 50), 30.0f / 60.0f);
  EXPECT_EQ(ptfit::time(g, 13, 100, 12, 5),
            (2.0f - 1.0f) + (40.0f / 60.0f + 5.0f / 60.0f));
  EXPECT_EQ(ptfit::time(g, 13, 102, 1, 0),
            24.0f * 1 + (40.0f / 60.0f + 0.0f + 13.0f + 1.0f));
  TimeGrid end = grid(13, 365, 23, 55, 5);
  EXPECT_NEAR(ptfit::time(end, 14, 1, 0, 0), 5.0 / 60, 1e-6);
  TimeGrid leap = grid(12, 366, 0, 0, 5);
  EXPECT_NEAR(ptfit::time(leap, 13, 1, 0, 0), 24.0, 1e-6);
  EXPECT_NEAR(ptfit::time(g, 13, 100, 9, 20), -1.0, 1e-6);
}

}  // namespace
}  // namespace ptfit
