// Running the real ionoscan in a fresh temporary directory: RSF files from
// the generator, the answers file, the list, and what the run printed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "rsfgen.h"
#include "run_program.h"
#include "series.h"
#include "tempdir.h"

namespace ionoscan::testing {

namespace fs = std::filesystem;
using namespace rsfgen;

// The answers of "input", with defaults that suit most runs.
struct ScanAnswers {
  std::string logo = "run";
  std::string list = "list";
  std::string dt = "15";
  std::vector<std::string> bands = {"1.0 10.0"};
  std::string polmode = "3";
  std::string msignl = "1";
  std::string mscale = "1";
  std::string window = "100 400";
  std::string avh = "0";
  std::string navg = "1";
};

std::string input_text(const ScanAnswers& a);

struct ScanResult {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// A temporary directory, removed with the object.
struct ScanDir {
  testsupport::TempDir tmp{"ionoscan"};
  fs::path dir = tmp.path;

  fs::path at(const std::string& name) const { return dir / name; }
  void write(const std::string& name, const std::string& text) const;
  void write_bytes(const std::string& name,
                   const std::vector<uint8_t>& bytes) const;
  // Writes the sounding as `name` (an RSF file).
  void sounding(const std::string& name, const GenSounding& s) const;
  // Writes "input" and the list file naming `files`.
  void answers(const ScanAnswers& a,
               const std::vector<std::string>& files) const;
  // Runs ionoscan here (with a time limit or a shell prelude).
  ScanResult run(const testsupport::RunOptions& opt = {}) const;
  // The records of a "_maxima_" file.
  std::vector<textio::SeriesRecord> maxima(const std::string& name) const;
  // Names of the files here whose name holds "_maxima_".
  std::vector<std::string> maxima_files() const;
};

// A sounding at the given time with one layer over 2-5 MHz: O and X groups
// whose amplitude is `amplitude` at `height_km` and 0 elsewhere.
GenSounding layer_sounding(int32_t year,
                           int32_t doy,
                           int32_t hour,
                           int32_t minute,
                           double height_km,
                           int32_t amplitude = 31);

}  // namespace ionoscan::testing
