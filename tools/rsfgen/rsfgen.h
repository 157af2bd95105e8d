// Synthetic RSF soundings for the tests, the benchmark and the bundled
// example: a plain description of one sounding and its encoding into the
// exact bytes that the decoders of rsf.h read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rsfgen {

// One frequency group as it is to be written.
struct GenGroup {
  double mhz = 1.0;          // frequency, 0.00 to 99.99 MHz (kept to 0.01 MHz)
  int32_t pol = 2;           // 1 = X, 2 = O; 0 and -1..14 are written too
  int32_t gain = 0;          // gain code, 0 to 15
  std::vector<int32_t> amp;  // amplitude 0..31 per height; missing ones 0
};

// One sounding: the time and height axis of its header and its groups.
struct GenSounding {
  int32_t year = 4;  // two-digit year
  int32_t month = 1;
  int32_t mday = 1;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t stored_day = -1;  // day of year written to the header; -1: the
                            // true one (readers compute it anyway)
  int32_t nhts = 128;       // 128, 256 or 512 (other values for error tests)
  int32_t h0 = 90;          // km, first height
  int32_t hstep_code = 5;   // km between heights; 2 stands for 2.5 km
  int32_t atten_code = 8;   // 0..7: 6 dB steps; above 7: no attenuation
  int32_t format_code = 4;  // anything else marks a file of another kind
  std::string station = "009";   // receiver and transmitter id, 3 chars
  std::vector<GenGroup> groups;  // in file order; the last block is filled
                                 // up with empty groups (pol 0, 0 MHz)
};

// Heights per group (128, 249 or 501) for `nhts`; 128 for unknown values.
int32_t gen_nsum(int32_t nhts);

// Height of sample index i (1-based) in km, as the extractor computes it.
double gen_height(const GenSounding& s, int32_t i);

// Index (1-based) of the sample whose height lies nearest to `km`, clamped
// to 1..nsum.
int32_t gen_height_index(const GenSounding& s, double km);

// Sets month and mday from a day of the year (1 = January 1) of s.year.
void gen_set_day_of_year(GenSounding& s, int32_t doy);

// The frequencies from f1 to f2 MHz (inclusive) in steps of `fstep`: f1
// alone when `fstep` is not positive, none when f2 is below f1.
std::vector<double> gen_frequencies(double f1, double f2, double fstep);

// Appends groups for every frequency from f1 to f2 MHz (inclusive) in
// steps of `fstep`, each as an O-mode then an X-mode group (as stations
// record them), whose profile is `background` everywhere but `amplitude`
// at the height nearest to `height_km`.
void gen_add_layer(GenSounding& s,
                   double height_km,
                   int32_t amplitude,
                   double f1,
                   double f2,
                   double fstep = 0.05,
                   int32_t background = 0,
                   int32_t gain = 0);

// The bytes of the whole file: as many 4096-byte blocks as the groups
// need (at least one).
std::vector<uint8_t> encode_rsf(const GenSounding& s);

// Writes encode_rsf(s) to `path`. False with `error` set on failure.
bool write_rsf(const std::string& path,
               const GenSounding& s,
               std::string& error);

}  // namespace rsfgen
