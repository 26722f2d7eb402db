// The text of a ratio (the custom ratio box, --custom, --ratio): one rule for
// the window and the command line.
#pragma once

#include "runtime/program_base.h"

namespace engine {

// The ratios taken: a speed change beyond ten times either way is no
// release of the same film, and maps every time to nonsense.
inline constexpr double kLeastRatio = 0.1;
inline constexpr double kGreatestRatio = 10.0;

// True for a finite ratio from kLeastRatio to kGreatestRatio (a NaN is not).
constexpr bool ratioInRange(double ratio) { return ratio >= kLeastRatio && ratio <= kGreatestRatio; }

// Reads a ratio text: blanks around it, an optional sign, digits with at most
// one "." or "," as the decimal point ("1,0427" is 1.0427), an optional
// exponent ("e-1"). A text of that form is read by the kernel library's
// number conversion, so "1.04270833" is exactly the double it always was.
// True with the value in *ratio when the text has that form and the value is
// in range; false, *ratio untouched, for anything else ("abc", "nan", "0",
// "1e300", "1.5x", "").
bool readRatioText(const char* text, double* ratio);

}  // namespace engine
