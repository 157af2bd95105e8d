// Support for the tests that run the ionoscan program.
#include "scan_run.h"

#include <fstream>
#include <stdexcept>

namespace ionoscan::testing {

std::string input_text(const ScanAnswers& a) {
  std::string t = a.logo + "\n" + a.list + "\n" + a.dt + "\n" +
                  std::to_string(a.bands.size()) + "\n";
  for (const std::string& b : a.bands) t += b + "\n";
  t += a.polmode + "\n" + a.msignl + "\n" + a.mscale + "\n" + a.window + "\n" +
       a.avh + "\n" + a.navg + "\n";
  return t;
}

void ScanDir::write(const std::string& name, const std::string& text) const {
  std::ofstream(at(name), std::ios::binary) << text;
}

void ScanDir::write_bytes(const std::string& name,
                          const std::vector<uint8_t>& bytes) const {
  std::ofstream f(at(name), std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()),
          static_cast<std::streamsize>(bytes.size()));
}

void ScanDir::sounding(const std::string& name, const GenSounding& s) const {
  write_bytes(name, encode_rsf(s));
}

void ScanDir::answers(const ScanAnswers& a,
                      const std::vector<std::string>& files) const {
  write("input", input_text(a));
  std::string list;
  for (const std::string& f : files) list += f + "\n";
  write(a.list, list);
}

ScanResult ScanDir::run(const testsupport::RunOptions& opt) const {
  const testsupport::RunResult r = testsupport::run_program(
      dir.string(), testsupport::shell_quoted(IONO_IONOSCAN_BIN), "", opt);
  return {r.status, r.out, r.err};
}

std::vector<textio::SeriesRecord> ScanDir::maxima(
    const std::string& name) const {
  std::vector<textio::SeriesRecord> recs;
  std::ifstream f(at(name));
  std::string line, why;
  while (std::getline(f, line)) {
    textio::SeriesRecord r;
    if (!textio::parse_series_line(line, r, why)) {
      throw std::runtime_error(name + ": bad record: " + line + ": " + why);
    }
    recs.push_back(r);
  }
  return recs;
}

std::vector<std::string> ScanDir::maxima_files() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n.find("_maxima_") != std::string::npos) names.push_back(n);
  }
  return names;
}

GenSounding layer_sounding(int32_t year,
                           int32_t doy,
                           int32_t hour,
                           int32_t minute,
                           double height_km,
                           int32_t amplitude) {
  GenSounding s;
  s.year = year;
  gen_set_day_of_year(s, doy);
  s.hour = hour;
  s.minute = minute;
  gen_add_layer(s, height_km, amplitude, 2.0, 5.0, 0.5);
  return s;
}

}  // namespace ionoscan::testing
