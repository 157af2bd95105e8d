// ionoscan on every kind of bad input, one table: answers missing, of the
// wrong type or out of range; "input", the list and the RSF files missing,
// empty, cut short, binary garbage, endless or no regular file; outputs
// that cannot be written. Each run must fail cleanly (bad_input.h).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bad_input.h"
#include "scan_run.h"
#include "scratch_fs.h"

namespace ionoscan::testing {
namespace {

using testsupport::garbage;

namespace fs = std::filesystem;

// The answers of the good run, a line each: two bands, logo "run".
const std::vector<std::string> kAnswers = {"run",
                                           "list",
                                           "15",
                                           "2",
                                           "1.0 3.5",
                                           "3.5 10.0",
                                           "3",
                                           "1",
                                           "1",
                                           "100 400",
                                           "0",
                                           "1"};

std::string join(const std::vector<std::string>& lines) {
  std::string t;
  for (const std::string& l : lines) t += l + "\n";
  return t;
}

// Where the run's files are put for an output failure.
enum class Env { kPlain, kReadOnlyDir, kFullDisk, kSizeLimit };

struct Case {
  std::string name;
  // Breaks the good set-up; returns why the case cannot be set up here
  // (the test is skipped), or "".
  std::function<std::string(ScanDir&)> prepare;
  int status;
  std::string message;
  Env env = Env::kPlain;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string make_fifo(ScanDir& d, const std::string& name) {
  fs::remove_all(d.at(name));
  return mkfifo(d.at(name).c_str(), 0644) == 0 ? "" : "cannot make a pipe";
}

// A zero device node of the test's own (reading it never ends).
std::string make_zero_device(ScanDir& d, const std::string& name) {
  fs::remove_all(d.at(name));
  if (mknod(d.at(name).c_str(), S_IFCHR | 0666, makedev(1, 5)) != 0) {
    return "cannot make a device node (not root?)";
  }
  return "";
}

// The answers with line k replaced by `text`.
std::string answers_with(size_t k, const std::string& text) {
  std::vector<std::string> a = kAnswers;
  a[k] = text;
  return join(a);
}

std::vector<Case> cases() {
  std::vector<Case> v;
  auto answers =
      [&](std::string name, std::string text, int status, std::string message) {
        v.push_back({std::move(name),
                     [text](ScanDir& d) {
                       d.write("input", text);
                       return std::string();
                     },
                     status,
                     std::move(message)});
      };
  // Every answer missing: "input" ends before it.
  for (size_t k = 0; k < kAnswers.size(); ++k) {
    answers("Missing" + std::to_string(k + 1),
            join({kAnswers.begin(), kAnswers.begin() + long(k)}),
            2,
            "input ends before all values were read");
  }
  // Every answer that is a number, of the wrong type.
  for (size_t k = 2; k < kAnswers.size(); ++k) {
    answers("WrongType" + std::to_string(k + 1),
            answers_with(k, "x 1"),
            2,
            "cannot read \"x\" as");
  }
  const struct {
    const char* name;
    size_t line;
    const char* text;
    const char* message;
  } out_of_range[] = {
      {"StepZero", 2, "0", " the time step must be a positive number"},
      {"StepNegative", 2, "-5", " the time step must be a positive number"},
      {"StepNaN", 2, "nan", " the time step must be a positive number"},
      {"StepAboveAnHour", 2, "61", " the time step must be at most 60"},
      {"StepTooSmall", 2, "1e-9", " the time step is too small"},
      {"BandsNegative", 3, "-1", " the number of frequency bands must be 0"},
      {"BandsAbove99", 3, "100", " the number of frequency bands must be 0"},
      {"PolmodeZero", 6, "0", " must be 1,2, or 3!"},
      {"PolmodeFour", 6, "4", " must be 1,2, or 3!"},
      {"WindowOfOneHeight", 9, "200 204", " height window"},
      {"WindowReversed", 9, "400 100", " height window"},
      {"NavgZero", 11, "0", " the number of maxima to average"},
  };
  for (const auto& c : out_of_range) {
    answers(c.name, answers_with(c.line, c.text), 1, c.message);
  }

  // "input", the list and an RSF file: missing, a folder, a pipe, a
  // device, empty, garbage, a line without end.
  auto file = [&](std::string name,
                  std::function<std::string(ScanDir&)> prepare,
                  int status,
                  std::string message) {
    v.push_back({std::move(name), std::move(prepare), status, message});
  };
  const std::string long_line = std::string(2 << 20, 'x') + "\n";
  const std::string gone = " error opening input";
  file(
      "InputMissing",
      [](ScanDir& d) {
        return std::string(fs::remove(d.at("input")) ? "" : "?");
      },
      1,
      gone);
  file(
      "InputFolder",
      [](ScanDir& d) {
        fs::remove(d.at("input"));
        fs::create_directory(d.at("input"));
        return std::string();
      },
      1,
      "cannot open the answers file input: Is a directory");
  file(
      "InputPipe",
      [](ScanDir& d) { return make_fifo(d, "input"); },
      1,
      "input: not a regular file (a pipe)");
  file(
      "InputDevice",
      [](ScanDir& d) { return make_zero_device(d, "input"); },
      1,
      "input: not a regular file (a device)");
  file(
      "InputEmpty",
      [](ScanDir& d) {
        d.write("input", "");
        return std::string();
      },
      2,
      "input ends before all values were read");
  file(
      "InputGarbage",
      [](ScanDir& d) {
        d.write("input", garbage());
        return std::string();
      },
      1,
      " error opening fnames_list");
  file(
      "InputLineWithoutEnd",
      [long_line](ScanDir& d) {
        d.write("input", long_line);
        return std::string();
      },
      2,
      "input, line 1: longer than 1048576 characters");
  file(
      "ListMissing",
      [](ScanDir& d) {
        return std::string(fs::remove(d.at("list")) ? "" : "?");
      },
      1,
      "cannot open the list file list: No such file or directory");
  file(
      "ListFolder",
      [](ScanDir& d) {
        fs::remove(d.at("list"));
        fs::create_directory(d.at("list"));
        return std::string();
      },
      1,
      "cannot open the list file list: Is a directory");
  file(
      "ListPipe",
      [](ScanDir& d) { return make_fifo(d, "list"); },
      1,
      "cannot open the list file list: not a regular file (a pipe)");
  file(
      "ListDevice",
      [](ScanDir& d) { return make_zero_device(d, "list"); },
      1,
      "cannot open the list file list: not a regular file (a device)");
  file(
      "ListEmpty",
      [](ScanDir& d) {
        d.write("list", "");
        return std::string();
      },
      1,
      " list is empty");
  file(
      "ListGarbage",
      [](ScanDir& d) {
        d.write("list", garbage());
        return std::string();
      },
      1,
      "the name holds a NUL character");
  file(
      "ListLineWithoutEnd",
      [long_line](ScanDir& d) {
        d.write("list", "a.rsf\n" + long_line);
        return std::string();
      },
      2,
      "list, line 2: longer than 1048576 characters");
  file(
      "RsfMissing",
      [](ScanDir& d) {
        return std::string(fs::remove(d.at("b.rsf")) ? "" : "?");
      },
      1,
      " error opening file b.rsf");
  file(
      "RsfFolder",
      [](ScanDir& d) {
        fs::remove(d.at("b.rsf"));
        fs::create_directory(d.at("b.rsf"));
        return std::string();
      },
      1,
      "ionoscan: b.rsf: Is a directory");
  file(
      "RsfPipe",
      [](ScanDir& d) { return make_fifo(d, "b.rsf"); },
      1,
      "ionoscan: b.rsf: not a regular file (a pipe)");
  file(
      "RsfDevice",
      [](ScanDir& d) { return make_zero_device(d, "b.rsf"); },
      1,
      "ionoscan: b.rsf: not a regular file (a device)");
  file(
      "RsfEmptyAlone",
      [](ScanDir& d) {
        d.write("b.rsf", "");
        d.write("list", "b.rsf\n");
        return std::string();
      },
      1,
      " none of the listed files holds a whole header");
  file(
      "RsfCutInAGroup",
      [](ScanDir& d) {
        std::vector<uint8_t> b =
            encode_rsf(layer_sounding(4, 100, 10, 15, 250));
        b.resize(60 + 262 + 100);
        d.write_bytes("b.rsf", b);
        return std::string();
      },
      1,
      "the file ends inside a frequency group of block 1");
  file(
      "RsfGarbage",
      [](ScanDir& d) {
        d.write("b.rsf", garbage());
        return std::string();
      },
      1,
      " header says this is not .rsf format !");
  file(
      "RsfUnknownHeightCount",
      [](ScanDir& d) {
        GenSounding s = layer_sounding(4, 100, 10, 15, 250);
        s.nhts = 300;
        d.sounding("b.rsf", s);
        return std::string();
      },
      1,
      " undefined option in read_frgroup 300");

  // Outputs that cannot be written.
  file(
      "OutputNameTakenByAFolder",
      [](ScanDir& d) {
        fs::remove(d.at("run_maxima_2.dat"));
        fs::create_directory(d.at("run_maxima_2.dat"));
        return std::string();
      },
      1,
      "cannot write run_maxima_2.dat: Is a directory");
  v.push_back({"OutputInAReadOnlyFolder",
               [](ScanDir&) { return std::string(); },
               1,
               " error writing run_maxima_1.dat: cannot create a temporary "
               "file beside run_maxima_1.dat",
               Env::kReadOnlyDir});
  v.push_back({"OutputOnAFullDisk",
               [](ScanDir&) { return std::string(); },
               1,
               "No space left on device",
               Env::kFullDisk});
  v.push_back({"OutputBeyondTheFileSizeLimit",
               [](ScanDir& d) {
                 // 601 steps of a minute: a band is larger than the limit.
                 d.sounding("late.rsf", layer_sounding(4, 100, 20, 0, 300));
                 d.write("list", "a.rsf\nlate.rsf\n");
                 d.write("input", answers_with(2, "1"));
                 return std::string();
               },
               1,
               "cannot write run_maxima_1.dat: File too large",
               Env::kSizeLimit});
  return v;
}

class IonoscanMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(IonoscanMatrix, FailsCleanly) {
  const Case& c = GetParam();
  ScanDir d;
  d.sounding("a.rsf", layer_sounding(4, 100, 10, 0, 200));
  d.sounding("b.rsf", layer_sounding(4, 100, 10, 15, 250));
  d.sounding("c.rsf", layer_sounding(4, 100, 10, 30, 300));
  d.write("list", "a.rsf\nb.rsf\nc.rsf\n");
  d.write("input", join(kAnswers));
  std::string out = "";  // folder of the earlier outputs
  std::optional<testsupport::SmallDisk> disk;
  if (c.env == Env::kFullDisk) {
    disk.emplace(d.at("disk").string(), 64);
    if (!disk->ready) GTEST_SKIP() << disk->why;
    out = "disk/";
    d.write("input", answers_with(0, "'disk/run'"));
  }
  d.write(out + "run_maxima_1.dat", "earlier band 1\n");
  d.write(out + "run_maxima_2.dat", "earlier band 2\n");
  if (disk) testsupport::fill_up(d.at("disk/filler").string());
  const std::string skip = c.prepare(d);
  if (!skip.empty()) GTEST_SKIP() << skip;
  std::optional<testsupport::ReadOnly> ro;
  if (c.env == Env::kReadOnlyDir) {
    ro.emplace(d.dir.string());
    if (!ro->ready) GTEST_SKIP() << ro->why;
  }
  testsupport::RunOptions opt;
  opt.limit_seconds = 30;
  if (c.env == Env::kSizeLimit) opt.prelude = "ulimit -f 8;";
  const testsupport::DirSnapshot before = testsupport::snapshot(d.dir);
  const ScanResult r = d.run(opt);
  testsupport::expect_clean_failure(
      {r.status, r.out, r.err}, c.status, c.message, before, d.dir);
}

INSTANTIATE_TEST_SUITE_P(BadInput,
                         IonoscanMatrix,
                         ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace ionoscan::testing
