// Conversions of one free-form value (no blanks, no separators) to a number,
// shared by the free-form reader and the series-line parser.
#pragma once

#include <cstdint>
#include <string_view>

namespace textio {

// [+-]?digits within the int32 range.
bool parse_int32(std::string_view s, int32_t& out);
// [+-]?(digits[.digits] | .digits) with an optional exponent (e, d or q, or
// a bare sign), or inf, infinity, nan, nan(...) in any case. Correctly
// rounded straight to the target kind; out of range gives an infinity or 0.
bool parse_real64(std::string_view s, double& out);
bool parse_real32(std::string_view s, float& out);

}  // namespace textio
