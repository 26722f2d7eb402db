// Time values and their text form.
//
// A time value is a signed 32-bit count of milliseconds. Its text is
// "HH:MM:SS,mmm": hours of at least two digits, two-digit minutes and seconds,
// three-digit milliseconds, "-" in front of a negative value. These routines
// are the only conversions between the two forms; they keep no state and never
// fail: malformed text reads as some time value.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"
#include "runtime/text_support.h"

namespace engine {

// Turns every blank of a masked time box's text into "0", in the caller's own
// text (*text is filled in place), and returns a fresh copy of the filled text
// that the caller frees. No text (nullptr) gives a fresh "".
prog::Text fillMaskBlanks(prog::TextVar* text);

// The time value of a text. Blanks are ignored; the fields are read from the
// right (seconds and milliseconds last, a bare number is seconds), split at
// ":" and at the last ","; fields past the fourth are dropped. Behind a ","
// the milliseconds are a count ("1,5" is 1005 ms). A text without any ","
// whose last "." has no ":" behind it is split there instead, and the digits
// behind that "." are a decimal fraction of a second ("1.5" is 1500 ms,
// "1.25" 1250, "1.250" 1250; digits past the third are dropped, "1.2509" is
// 1250). So in a text holding both, the last "," keeps its meaning and a "."
// ends the number of its field, as any other character does. A sign belongs
// to the hours field alone. A sum outside the 32-bit range keeps its low 32
// bits.
int32_t parseTimeText(const char* text);

// parseTimeText of `count` bytes of a byte set from position `start` on (1-based),
// taken as text (up to a NUL byte), as the subtitle scan reads its times.
int32_t parseTimeBytes(const prog::ByteSetBlock* bytes, int32_t start, int32_t count);

// The same reading, always step by step through the kernel library's text
// commands. parseTimeText and parseTimeBytes read a plain text - digits, ":",
// ",", "." and blanks alone, no digit run longer than 9 - directly, with the same
// result and no working copy (the scan reads two times per cue); every other
// text goes this way.
int32_t parseTimeTextStepwise(const char* text);

// The longest time text: "-596:31:23,648".
constexpr int32_t kLongestTimeText = 14;

// Writes the text of a time value to `out` (room for kLongestTimeText bytes)
// and returns its byte count; formatTimeText's bytes without a block.
int32_t writeTimeText(int32_t ms, uint8_t* out);

// The text of a time value as a fresh byte set (no terminator), e.g.
// "01:02:03,004", "-00:00:01,500", "100:00:00,000". The one value
// -2147483648 is written "-596:31:23,648".
prog::ByteSet formatTimeText(int32_t ms);

// A signed time as the custom shift box gives it: a "-" as the first
// character negates the time read (blanks filled) from the text after it;
// otherwise the whole text is read, blanks filled, so a leading "+" stands in
// the hours field and adds nothing. The text itself is left as it is.
int32_t parseShiftText(const char* text);

}  // namespace engine
