// The field editors of Fortran formatted output, shared inside the
// shared library by the format parser (its limits) and the record walk.
#pragma once

#include <string>

#include "fortran_format.h"

namespace textio {

// Widest field and most digits a format may ask for: a malformed or absurd
// format must not exhaust memory.
inline constexpr int kMaxFieldWidth = 1000;

// Edits one item by one data step and appends the field to `out`: exactly
// s.w characters for every kind but a plain A.
// Throws std::invalid_argument when the step cannot edit the item (e.g. F
// with a character item).
// REQUIRES: s is a data step (not X, / or a literal).
void edit_item(std::string& out, const EditStep& s, const FmtArg& arg);

}  // namespace textio
