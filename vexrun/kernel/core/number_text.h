// Conversions between numbers and their decimal text, locale-independent.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

namespace vexrun {

// Leading blanks (space, tab) skipped, an optional sign, then the digits up to
// the first other character; the number modulo 2^32. Empty or no digits: 0.
int32_t parseInteger(std::string_view text) noexcept;

// strtod in the C locale ("1.00000000" is 1.0); text it cannot read: 0.
double parseDouble(std::string_view text) noexcept;

// The shortest decimal that reads back as the same double; plain notation for
// 1e-6 <= |x| < 1e21, exponent notation outside; "0" for both zeros; "inf",
// "-inf", "nan".
std::string formatDouble(double x);

// x rounded to `places` decimal places (negative: to tens, hundreds, ...),
// exact halves away from zero, judged on x's exact binary value.
double roundToPlaces(double x, int32_t places) noexcept;

}  // namespace vexrun
