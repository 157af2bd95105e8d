// The summary's texts: the table printed on standard output and
// "summary.tsv".
#pragma once

#include <string>
#include <vector>

#include "summarize.h"

namespace ptsummary {

// The printed table: a header line, then one line per row with six
// significant digits (tau to a tenth of a move, ess whole, R-hat and
// at_bound to four decimals), NA where a row has no range.
std::string table_text(const std::vector<Row>& rows);

// "summary.tsv": the header name, median, lo68, hi68, lo95, hi95, mean,
// sd, tau, ess, rhat, at_bound, then one line per row, tab-separated, the
// numbers in the free-form spelling (read back exactly; NaN where nothing
// could be computed), NA for at_bound without a range.
std::string tsv_text(const std::vector<Row>& rows);

}  // namespace ptsummary
