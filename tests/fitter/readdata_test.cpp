// The data dialogue end to end: answers from a string, a series file in a
// temporary directory, the printed lines and the stored points.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
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
  Status res;
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
  ASSERT_TRUE(r.res.ok()) << r.out << r.res.message;
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
  ASSERT_TRUE(r.res.ok()) << r.out << r.res.message;
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
    EXPECT_EQ(r.res.code, Status::Code::kStop);
    EXPECT_EQ(r.g.stoprun, 1);
    EXPECT_TRUE(r.d.simdata.empty());
    EXPECT_EQ(r.res.message,
              "datafile d does not have any values in the requested "
              "timerange")
        << r.out;
  }
}

TEST(ReadData, OnlyEmptyRecordsInTheWindowAreNoData) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{13, 100, 10, 0}, {0, 0, 0, 0}, {13, 100, 10, 30}});
  Dialogue r = run_readdata(
      answers(tmp.path + "/", "d", "13 100 10 15", "13 100 10 30"));
  EXPECT_EQ(r.res.code, Status::Code::kStop) << r.out;
  EXPECT_EQ(r.g.stoprun, 1);
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
  ASSERT_TRUE(r.res.ok()) << r.out << r.res.message;
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
  EXPECT_TRUE(r.res.ok()) << r.out << r.res.message;

  Dialogue missing =
      run_readdata(answers(tmp.path, "data.dat", "13 100 10 0", "14 1 0 0"));
  EXPECT_EQ(missing.res.code, Status::Code::kStop);
  EXPECT_EQ(missing.res.message, "error opening file " + tmp.path + "data.dat");

  Dialogue dir =
      run_readdata(answers(tmp.path, "''", "13 100 10 0", "14 1 0 0"));
  EXPECT_EQ(dir.res.code, Status::Code::kStop) << dir.out;
}

TEST(ReadData, RecordOffTheGridEndsTheRunNamingItsLine) {
  TempDir tmp;
  write_series(tmp.path + "/d",
               {{13, 100, 10, 0}, {13, 100, 10, 15}, {13, 100, 10, 20}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.code, Status::Code::kStop);
  EXPECT_TRUE(r.res.message.starts_with(
      "error: line 3 of " + tmp.path +
      "/d (year 13, day 100, hour 10, minute 20) lies on no time step of the "
      "window"))
      << r.res.message;
}

TEST(ReadData, RecordEarlierThanTheStartEndsTheRun) {
  TempDir tmp;
  // Out of time order: selection goes by position once started.
  write_series(tmp.path + "/d", {{13, 100, 10, 0}, {13, 100, 9, 0}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.code, Status::Code::kStop);
  EXPECT_TRUE(r.res.message.starts_with("error: line 2 of")) << r.res.message;
}

TEST(ReadData, NonPositiveTimeStepEndsTheRun) {
  TempDir tmp;
  write_series(tmp.path + "/d", {{13, 100, 10, 0, 1, 1, 0}});
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  EXPECT_EQ(r.res.code, Status::Code::kStop);
  EXPECT_TRUE(
      r.res.message.ends_with("it must be a positive number of minutes"))
      << r.res.message;
}

TEST(ReadData, UnreadableInputIsAnInputError) {
  TempDir tmp;
  Dialogue bad_answer = run_readdata("two\n");
  EXPECT_EQ(bad_answer.res.code, Status::Code::kInputError);
  EXPECT_NE(bad_answer.res.message.find("standard input, line 1"),
            std::string::npos)
      << bad_answer.res.message;

  Dialogue early_end = run_readdata("2\n'/tmp/'\nx\n13 100 10 0\n");
  EXPECT_EQ(early_end.res.code, Status::Code::kInputError);

  // Every line up to the last record must start with one record of 8
  // values, also outside the window: a short line, a blank line, a line
  // that is no record.
  const std::string good = " 13 100 10 0 1 2 3 15\n";
  for (const char* bad :
       {" 13 100 10 0 1 2 3\n", "\n", " \t\n", " 13 100 x 0 1 2 3 15\n"}) {
    std::ofstream(tmp.path + "/d") << good << bad << good;
    Dialogue r = run_readdata(
        answers(tmp.path + "/", "d", "13 100 11 0", "13 100 12 0"));
    EXPECT_EQ(r.res.code, Status::Code::kInputError) << bad;
    EXPECT_TRUE(r.res.message.starts_with(tmp.path + "/d, line 2: "))
        << r.res.message;
  }
}

TEST(ReadData, BlankLinesAfterTheLastRecordAndValuesAfterTheEighthAreIgnored) {
  TempDir tmp;
  std::ofstream(tmp.path + "/d") << " 13 100 10 0 1 2 3 15 extra, 9/\n"
                                 << " 13 100 10 15 1 4 5 15\n"
                                 << "\n   \n\t\n";
  Dialogue r =
      run_readdata(answers(tmp.path + "/", "d", "13 100 10 0", "13 100 11 0"));
  ASSERT_TRUE(r.res.ok()) << r.res.message;
  EXPECT_NE(r.out.find(" number of lines: 2\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.d.simdata, (std::vector<double>{0, 0.25, 2, 4, 3, 5}));
}

}  // namespace
}  // namespace ptfit
