// The free-form spelling of a real64 (put_real64) made fast for texts of
// millions of values, such as the fitter's chain files: the 17 significant
// digits come from the exact binary value by 128-bit integer arithmetic,
// correctly rounded (half to even), whenever that arithmetic holds them
// (1e-6 <= |x| < 1e17); every other value (0, NaN, infinities, tiny and huge
// magnitudes) goes through put_real64 itself. The text is the same as
// put_real64's for every double, so it reads back to the identical bits.
#pragma once

#include <cstddef>

namespace textio {

// Room that spell_real64 needs: the longest spelling,
// -1.2345678901234567E-308, has 24 characters.
constexpr size_t kReal64Chars = 32;

// Writes the free-form spelling of x at `out` and returns the end of the
// text, the same as put_real64's. All kReal64Chars characters at `out` may
// be written (those after the end are left undefined).
char* spell_real64(char* out, double x);

}  // namespace textio
