// Replica exchange decisions and book-keeping.
#include "exchange.h"

#include <algorithm>
#include <cmath>

#include "freeform_out.h"

namespace ptfit {

int32_t next_level(int32_t level, int32_t ntemperatures) {
  level += 1;
  if (level == ntemperatures - 1) level = 0;
  return level;
}

bool bad_pair(int32_t i1, int32_t i2, int32_t ntemperatures) {
  return i1 < 0 || i1 >= ntemperatures || i2 < 0 || i2 >= ntemperatures ||
         i1 == i2;
}

std::vector<std::string> bad_pair_lines(int32_t i1,
                                        int32_t i2,
                                        int32_t ncall,
                                        const Global& g,
                                        const RunConfig& c) {
  std::vector<std::string> lines;
  lines.push_back(textio::free_line(
      "error in evalexchange", i1, i2, c.subrank, c.ntemperatures));
  lines.push_back(textio::free_line("ncall=", ncall));
  std::string last =
      textio::free_line("mpiid,temperature,temperingorder", g.temperature);
  for (int32_t v : c.temperingorder) last += ' ' + std::to_string(v);
  lines.push_back(last);
  return lines;
}

double exchange_probability(double t, double chi, double tp, double chip) {
  const double x = (0.5 / t - 0.5 / tp) * (chi - chip);
  if (std::isnan(x)) return 1.0;
  return std::min(1.0, std::exp(x));
}

void swap_levels(std::vector<int32_t>& temperingorder, int32_t i1, int32_t i2) {
  size_t a = 0;
  size_t b = 0;
  for (size_t l = 0; l < temperingorder.size(); ++l) {
    if (temperingorder[l] == i1) a = l;
    if (temperingorder[l] == i2) b = l;
  }
  temperingorder[a] = i2;
  temperingorder[b] = i1;
}

void tempering_statistics(RunConfig& c, int32_t outcome) {
  if (outcome == -1) return;
  c.nexattempt += 1;
  if (outcome == 1) c.nexaccept += 1;
}

double start_temperature(double tempratio, int32_t subrank) {
  double t = 1.0;
  for (int32_t r = 0; r < subrank; ++r) t *= tempratio;
  return t;
}

}  // namespace ptfit
