#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "freeform_out.h"

namespace ptsummary {
namespace {

constexpr const char* kColumns[] = {"median",
                                    "lo68",
                                    "hi68",
                                    "lo95",
                                    "hi95",
                                    "mean",
                                    "sd",
                                    "tau",
                                    "ess",
                                    "rhat",
                                    "at_bound"};

template <class T>
std::string field(const char* format, T v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

std::string table_text(const std::vector<Row>& rows) {
  int width = 4;
  for (const Row& r : rows) width = std::max(width, int(r.name.size()));
  char buf[256];
  std::snprintf(buf, sizeof buf, "%-*s", width, "name");
  std::string text = buf;
  for (const char* c : kColumns) text += field(" %12s", c);
  text += '\n';
  for (const Row& r : rows) {
    std::snprintf(buf, sizeof buf, "%-*s", width, r.name.c_str());
    text += buf;
    for (double v : {r.median, r.lo68, r.hi68, r.lo95, r.hi95, r.mean, r.sd})
      text += field(" %12.6g", v);
    text += field(" %12.1f", r.tau);
    text += field(" %12.0f", r.ess);
    text += field(" %12.4f", r.rhat);
    text += r.range.known ? field(" %12.4f", r.at_bound) : field(" %12s", "NA");
    text += '\n';
  }
  return text;
}

std::string tsv_text(const std::vector<Row>& rows) {
  std::string text = "name";
  for (const char* c : kColumns) text += std::string("\t") + c;
  text += '\n';
  for (const Row& r : rows) {
    text += r.name;
    for (double v : {r.median,
                     r.lo68,
                     r.hi68,
                     r.lo95,
                     r.hi95,
                     r.mean,
                     r.sd,
                     r.tau,
                     r.ess,
                     r.rhat}) {
      text += '\t' + textio::ff_real64(v);
    }
    text += '\t' + (r.range.known ? textio::ff_real64(r.at_bound) : "NA");
    text += '\n';
  }
  return text;
}

}  // namespace ptsummary
