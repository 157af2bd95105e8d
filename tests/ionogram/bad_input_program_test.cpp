// ionoscan on bad input: every failure gives its message and status, never
// a crash, and leaves no "_maxima_" file behind.
#include <gtest/gtest.h>

#include <cmath>

#include "dir_snapshot.h"
#include "scan_run.h"
#include "scratch_fs.h"

namespace ionoscan::testing {
namespace {

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The last line of standard output.
std::string last_line(const std::string& out) {
  const size_t end = out.size() && out.back() == '\n' ? out.size() - 1 : 0;
  const size_t start = out.rfind('\n', end ? end - 1 : 0);
  return out.substr(start == std::string::npos ? 0 : start + 1,
                    end - (start == std::string::npos ? 0 : start + 1));
}

// Three good soundings a, b, c at 10:00, 10:15, 10:30 of 2004 day 100.
struct Fixture {
  ScanDir d;
  Fixture() {
    d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 200));
    d.sounding("b.rsf", layer_sounding(4, 100, 10, 15, 250));
    d.sounding("c.rsf", layer_sounding(4, 100, 10, 30, 300));
  }
  ScanResult run(const ScanAnswers& a, const std::vector<std::string>& files) {
    d.answers(a, files);
    return d.run();
  }
};

TEST(IonoscanBadInput, MissingAnswersFileOrListOrEmptyListFail) {
  Fixture f;
  ScanResult r = f.d.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " error opening input\n");

  ScanAnswers a;
  f.d.write("input", input_text(a));  // the list file is missing
  r = f.d.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out), " error opening fnames_list");
  EXPECT_EQ(r.err,
            "ionoscan: cannot open the list file list: No such file or "
            "directory\n");

  // An unquoted path ends at its first slash: here it names a directory,
  // which is no list, not an empty one.
  std::filesystem::create_directory(f.d.at("data"));
  f.d.write("data/list", "a.rsf\n");
  a.list = "data/list";
  f.d.write("input", input_text(a));
  r = f.d.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.out, " opening data\n error opening fnames_list\n"))
      << r.out;
  EXPECT_EQ(r.err,
            "ionoscan: cannot open the list file data: Is a directory\n");
  a.list = "list";

  r = f.run(a, {});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.out, " number of files= 0\n list is empty\n")) << r.out;
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, ListLineNamingAMissingFile) {
  Fixture f;
  const ScanResult r = f.run(ScanAnswers{}, {"a.rsf", "nothere.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out), " error opening file nothere.rsf");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, MalformedOrMissingAnswerEndsWithStatus2) {
  Fixture f;
  ScanAnswers a;
  a.dt = "fifteen";
  ScanResult r = f.run(a, {"a.rsf"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "input error: input, line 3: cannot read \"fifteen\" as a real "
            "(real32) (item 1)\n");
  EXPECT_EQ(last_line(r.out), " enter timestep in minutes");
  EXPECT_TRUE(f.d.maxima_files().empty());

  f.d.write("input", "run\nlist\n15\n1\n1 10\n3\n");  // ends early
  r = f.d.run();
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "input error: input, after line 6: input ends before all values "
            "were read (expected an integer (int32))\n");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, AnswersOutOfRangeAreRefusedBeforeAnyOutput) {
  struct Case {
    const char* what;
    ScanAnswers a;
    int status;
    std::string message;
  };
  std::vector<Case> cases;
  ScanAnswers a;
  a.polmode = "4";
  cases.push_back({"polmode", a, 1, "  must be 1,2, or 3!"});
  a = ScanAnswers{};
  a.navg = "0";
  cases.push_back(
      {"navg", a, 1, " the number of maxima to average must be at least 1"});
  a = ScanAnswers{};
  a.dt = "0";
  cases.push_back({"dt", a, 1, " the time step must be a positive number"});
  a = ScanAnswers{};
  a.dt = "90";
  cases.push_back(
      {"dt above an hour",
       a,
       1,
       " the time step must be at most 60 minutes: the time grid restarts"});
  a = ScanAnswers{};
  a.dt = "1e-9";
  cases.push_back({"tiny dt", a, 1, " the time step is too small"});
  a = ScanAnswers{};
  a.window = "200 204";  // one height only
  a.navg = "1";
  cases.push_back({"window of one", a, 1, " height window"});
  a = ScanAnswers{};
  a.window = "200 220";  // five heights
  a.navg = "6";
  cases.push_back({"window below navg", a, 1, " height window"});
  for (const Case& c : cases) {
    Fixture f;
    const ScanResult r = f.run(c.a, {"a.rsf", "b.rsf", "c.rsf"});
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(last_line(r.out).rfind(c.message, 0), 0u) << c.what << ":\n"
                                                        << r.out;
    EXPECT_TRUE(f.d.maxima_files().empty()) << c.what;
  }
}

TEST(IonoscanBadInput, NoBandWritesNoFileAndANegativeCountIsRefused) {
  Fixture f;
  f.d.write("list", "a.rsf\nb.rsf\n");
  // Zero bands: the whole dialogue, sampling, and no file to write (the
  // height window, one height here, matters to no band).
  f.d.write("input", "run\nlist\n15\n0\n3\n1\n1\n200 204\n0\n1\n");
  ScanResult r = f.d.run();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r.out,
                  " will sample in the following ranges:\n"
                  " Xmode(1) or Omode(2) or combined(3)?\n"))
      << r.out;
  EXPECT_TRUE(has(r.out,
                  " finished sampling\n allocating array maxheights\n"
                  " allocated array maxheights\n"
                  " will plot maxima for  0  ranges\n"))
      << r.out;
  EXPECT_EQ(last_line(r.out), " will plot maxima for  0  ranges");
  EXPECT_TRUE(f.d.maxima_files().empty());

  f.d.write("input", "run\nlist\n15\n-1\n3\n1\n1\n100 400\n0\n1\n");
  r = f.d.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out),
            " the number of frequency bands must be 0 to 99 ; read -1");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, WindowOfExactlyNavgHeightsIsAveragedWhole) {
  Fixture f;
  ScanAnswers a;
  a.window = "200 220";
  a.navg = "5";
  const ScanResult r = f.run(a, {"a.rsf"});
  ASSERT_EQ(r.status, 0) << r.out;
  const auto recs = f.d.maxima("run_maxima_1.dat");
  EXPECT_EQ(recs.at(0).value, 210.0);
  EXPECT_NEAR(recs.at(0).sigma, std::sqrt(50.0), 1e-9);
}

TEST(IonoscanBadInput, SoundingOnNoTimeStepIsNamedAndEndsTheRun) {
  // 10:03 and 10:18 start a 15-minute grid that runs on to 10:33, then
  // 11:00, 11:15: soundings at 10:48 and 11:03 lie on no step.
  Fixture f;
  f.d.sounding("p.rsf", layer_sounding(4, 100, 10, 3, 200));
  f.d.sounding("q.rsf", layer_sounding(4, 100, 10, 18, 200));
  f.d.sounding("s.rsf", layer_sounding(4, 100, 11, 3, 200));
  f.d.sounding("t.rsf", layer_sounding(4, 100, 11, 15, 200));
  ScanResult r = f.run(ScanAnswers{}, {"p.rsf", "q.rsf"});
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(has(r.out, " total number of time steps: 2\n"));
  std::filesystem::remove(f.d.at("run_maxima_1.dat"));

  // The latest sounding is off the grid: found when the grid is laid.
  r = f.run(ScanAnswers{}, {"p.rsf", "q.rsf", "s.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out),
            " no time step for file s.rsf at year, day, hour, minute: "
            "4 100 11 3");
  EXPECT_FALSE(has(r.out, "Start time"));
  EXPECT_TRUE(f.d.maxima_files().empty());

  // An earlier one: found when it is sampled.
  r = f.run(ScanAnswers{}, {"p.rsf", "s.rsf", "t.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.out, " total number of time steps: 5\n"));
  EXPECT_EQ(last_line(r.out),
            " no time step for file s.rsf at year, day, hour, minute: "
            "4 100 11 3");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, DecodingFailuresStopWithTheirMessages) {
  Fixture f;
  std::vector<uint8_t> good = encode_rsf(layer_sounding(4, 100, 10, 45, 200));

  // Cut inside the third group of the block.
  std::vector<uint8_t> cut(good.begin(), good.begin() + 60 + 2 * 262 + 100);
  f.d.write_bytes("cut.rsf", cut);
  // Cut inside the padding of the block.
  std::vector<uint8_t> pad(good.begin(), good.begin() + 4096 - 50);
  f.d.write_bytes("pad.rsf", pad);
  // Not the RSF format code.
  GenSounding other = layer_sounding(4, 100, 10, 45, 200);
  other.format_code = 5;
  f.d.sounding("other.rsf", other);
  // A height count the block layouts do not know.
  GenSounding odd = layer_sounding(4, 100, 10, 45, 200);
  odd.nhts = 300;
  f.d.sounding("odd.rsf", odd);
  // A directory in place of a file.
  std::filesystem::create_directory(f.d.at("dir.rsf"));

  // Every stop fails; where the message does not name the file, standard
  // error does.
  const struct {
    const char* file;
    int status;
    const char* last;
    const char* err;
  } cases[] = {
      {"cut.rsf",
       1,
       " unexpected end of frequency group",
       "ionoscan: cut.rsf: the file ends inside a frequency group of block "
       "1\n"},
      {"pad.rsf",
       2,
       " ",
       "ionoscan: pad.rsf: unexpected end of file in the padding of a "
       "block\n"},
      {"other.rsf",
       1,
       " header says this is not .rsf format !",
       "ionoscan: other.rsf: block 1 is no RSF block (format code 5, not "
       "4)\n"},
      {"odd.rsf",
       1,
       " undefined option in read_frgroup 300",
       "ionoscan: odd.rsf: block 1 has 300 heights (an RSF block has 128, "
       "256 or 512)\n"},
      {"dir.rsf",
       1,
       " error opening file dir.rsf",
       "ionoscan: dir.rsf: Is a directory\n"},
  };
  for (const auto& c : cases) {
    const ScanResult r = f.run(ScanAnswers{}, {"a.rsf", c.file, "b.rsf"});
    EXPECT_EQ(r.status, c.status) << c.file << "\n" << r.out << r.err;
    EXPECT_EQ(last_line(r.out).rfind(c.last, 0), 0u) << c.file << "\n" << r.out;
    EXPECT_EQ(r.err, c.err) << c.file;
    EXPECT_TRUE(f.d.maxima_files().empty()) << c.file;
  }
}

TEST(IonoscanBadInput, GroupWithMoreHeightsThanTheSumsIsNeverAdded) {
  // The sums get their heights from the last file (128); an earlier file
  // of 512 heights would add 501 samples per group.
  Fixture f;
  GenSounding big = layer_sounding(4, 100, 10, 45, 200);
  big.nhts = 512;
  big.groups.clear();
  gen_add_layer(big, 200, 31, 2.0, 3.0, 0.5);
  f.d.sounding("big.rsf", big);
  const ScanResult r = f.run(ScanAnswers{}, {"big.rsf", "a.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out), " ERROR: nsum .gt. nhts 501 128");
  EXPECT_EQ(r.err,
            "ionoscan: big.rsf: a group of block 1 has 501 heights, the sums "
            "128\n");
  EXPECT_FALSE(has(r.out, "finished sampling"));
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, LastGroupWithMoreHeightsThanTheSumsStopsTheRun) {
  // A block of 128 heights with a layer at 125 km, then a block of 256
  // heights whose groups are all rejected (pol 0): the last group has 249
  // heights, the sums 128.
  Fixture f;
  std::vector<uint8_t> two = encode_rsf(layer_sounding(4, 100, 10, 45, 125));
  GenSounding wide = layer_sounding(4, 100, 10, 45, 125);
  wide.nhts = 256;
  wide.groups.clear();  // one block of empty groups
  const std::vector<uint8_t> second = encode_rsf(wide);
  two.insert(two.end(), second.begin(), second.end());
  f.d.write_bytes("two.rsf", two);
  const ScanResult r = f.run(ScanAnswers{}, {"two.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out), " ERROR: nsum .gt. nhts 249 128");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, ShortFirstHeaderEndsSamplingButKeepsWhatWasSampled) {
  Fixture f;
  f.d.write_bytes("short.rsf", std::vector<uint8_t>(59, 0x04));
  const ScanResult r = f.run(ScanAnswers{}, {"a.rsf", "short.rsf", "c.rsf"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out, " total number of time steps: 3\n"));
  const auto recs = f.d.maxima("run_maxima_1.dat");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].minute, 0);
  EXPECT_TRUE(textio::is_empty(recs[2]));  // c.rsf was never sampled
  EXPECT_TRUE(has(r.err, "short.rsf: 59 bytes, no whole header")) << r.err;

  // No whole header anywhere: nothing to lay a grid on.
  const ScanResult none = f.run(ScanAnswers{}, {"short.rsf"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(last_line(none.out),
            " none of the listed files holds a whole header");
  EXPECT_TRUE(f.d.maxima_files().size() == 1u);  // the earlier run's file
}

TEST(IonoscanBadInput, FailedRunLeavesAnEarlierOutputUntouched) {
  Fixture f;
  ASSERT_EQ(f.run(ScanAnswers{}, {"a.rsf", "b.rsf"}).status, 0);
  const auto before = f.d.maxima("run_maxima_1.dat");
  f.d.sounding("odd.rsf", [] {
    GenSounding s = layer_sounding(4, 100, 10, 45, 200);
    s.nhts = 300;
    return s;
  }());
  EXPECT_EQ(f.run(ScanAnswers{}, {"a.rsf", "odd.rsf"}).status, 1);
  const auto after = f.d.maxima("run_maxima_1.dat");
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(f.d.maxima_files().size(), 1u);
}

TEST(IonoscanBadInput, UnwritableOutputIsReportedWithNonZeroStatus) {
  Fixture f;
  ScanAnswers a;
  a.logo = "'nodir/run'";
  const ScanResult r = f.run(a, {"a.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(last_line(r.out), "nodir/run_maxima_1.dat")) << r.out;
}

// Two bands, written under `logo` by a short run (10:00-10:30); then the
// answers of a long run over the same names: 601 steps of a minute, about
// 50 kB a band, little enough to stay in memory until the files are put in
// place.
ScanAnswers two_bands(const std::string& logo) {
  ScanAnswers a;
  a.logo = logo;
  a.bands = {"1.0 3.5", "3.5 10.0"};
  return a;
}
void prepare_long_run(Fixture& f, const std::string& logo) {
  ASSERT_EQ(f.run(two_bands(logo), {"a.rsf", "b.rsf", "c.rsf"}).status, 0);
  f.d.sounding("late.rsf", layer_sounding(4, 100, 20, 0, 300));
  ScanAnswers a = two_bands(logo);
  a.dt = "1";
  f.d.answers(a, {"a.rsf", "late.rsf"});
}

TEST(IonoscanBadInput, DiskThatFillsUpLeavesEveryBandAsItWas) {
  Fixture f;
  // Room for the short run's files and one long band, not two.
  testsupport::SmallDisk disk(f.d.at("disk"), 64);
  if (!disk.ready) GTEST_SKIP() << disk.why;
  prepare_long_run(f, "'disk/run'");
  const testsupport::DirSnapshot before = testsupport::snapshot(f.d.dir);
  const ScanResult r = f.d.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(last_line(r.out), "No space left on device")) << r.out;
  EXPECT_EQ(testsupport::differences(before, testsupport::snapshot(f.d.dir)),
            "");
}

TEST(IonoscanBadInput, CorruptHeightCountStopsTheRunBeforeItSizesTheSums) {
  // FF FF: 16665 heights in the file that gives the sums their heights.
  Fixture f;
  std::vector<uint8_t> bytes = encode_rsf(layer_sounding(4, 100, 10, 45, 200));
  bytes[38] = bytes[39] = 0xFF;
  f.d.write_bytes("ff.rsf", bytes);
  const ScanResult r = f.run(ScanAnswers{}, {"a.rsf", "ff.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(last_line(r.out), " undefined option in read_frgroup 16665");
  EXPECT_FALSE(has(r.out, "will sample in the following ranges")) << r.out;
  EXPECT_EQ(r.err,
            "ionoscan: ff.rsf: block 1 has 16665 heights (an RSF block has "
            "128, 256 or 512)\n");
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, SumsBeyondTheMemoryAreRefusedNamingTheTimeRange) {
  // A year read as 99 instead of 4: 95 years of 15-minute steps, 512
  // heights and 99 bands would take more than a terabyte.
  Fixture f;
  GenSounding flip = layer_sounding(99, 100, 10, 0, 200);
  flip.nhts = 512;
  f.d.sounding("flip.rsf", flip);
  ScanAnswers a;
  a.bands.assign(99, "1.0 10.0");
  const ScanResult r = f.run(a, {"a.rsf", "flip.rsf"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(last_line(r.out),
                  " not enough memory: the sums of 3331105 time steps from "
                  "year 4, day 100, 10:00 (a.rsf) to year 99, day 100, 10:00 "
                  "(flip.rsf), 512 heights and 99 bands need "))
      << r.out;
  EXPECT_FALSE(has(r.out, "will sample in the following ranges")) << r.out;
  EXPECT_TRUE(f.d.maxima_files().empty());
}

TEST(IonoscanBadInput, NamesOfAnyLengthAreTakenWhole) {
  // A list line and a logo of 120 characters: the first 100 named another
  // file.
  Fixture f;
  const std::string longname = std::string(116, 'a') + ".rsf";
  std::filesystem::copy_file(f.d.at("a.rsf"), f.d.at(longname));
  f.d.write(longname.substr(0, 100), "");
  ScanAnswers a;
  a.logo = std::string(120, 'L');
  f.d.answers(a, {longname});
  const ScanResult r = f.d.run();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r.out, " logo is " + a.logo + "\n")) << r.out;
  EXPECT_EQ(f.d.maxima(a.logo + "_maxima_1.dat").size(), 1u);
}

TEST(IonoscanBadInput, FileCutInsideALaterHeaderIsSaidOnStandardError) {
  Fixture f;
  std::vector<uint8_t> bytes = encode_rsf(layer_sounding(4, 100, 10, 45, 200));
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 30);
  bytes.insert(bytes.end(), head.begin(), head.end());
  f.d.write_bytes("cut.rsf", bytes);
  const ScanResult r = f.run(ScanAnswers{}, {"a.rsf", "cut.rsf"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.err,
            "ionoscan: cut.rsf: the file ends inside the header of block 2 "
            "(30 of 60 bytes): the rest of the file is not read\n");
  EXPECT_EQ(f.d.maxima("run_maxima_1.dat").size(), 4u);
}

TEST(IonoscanBadInput, ByteOrderMarkThatStartsTheAnswersIsSkipped) {
  Fixture f;
  f.d.answers(ScanAnswers{}, {"a.rsf"});
  f.d.write("input", "\xEF\xBB\xBF" + input_text(ScanAnswers{}));
  const ScanResult r = f.d.run();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r.out, " logo is run\n")) << r.out;
  EXPECT_EQ(f.d.maxima_files(), std::vector<std::string>{"run_maxima_1.dat"});
}

}  // namespace
}  // namespace ionoscan::testing
