// The line-end rule of subtitle text, shared by the engine's scan and the
// command line's one-pass re-time: a line end is CR LF, LF, or a CR that is
// not followed by LF. Positions are 0-based byte offsets.
#pragma once

#include <stdint.h>

namespace engine {

constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kLineFeed = 0x0A;

inline bool isLineEndByte(uint8_t c) { return c == kCarriageReturn || c == kLineFeed; }

// The first byte of the first line end at or after `from`, or `n` when the
// text ends first.
inline int64_t lineEndAtOrAfter(const uint8_t* p, int64_t n, int64_t from) {
    while (from < n && !isLineEndByte(p[from])) ++from;
    return from;
}

// Where the line holding the byte at `at` begins: behind the last line-end
// byte before it (an LF, or a CR with no LF behind it), or 0.
inline int64_t lineStartBefore(const uint8_t* p, int64_t at) {
    while (at > 0 && !isLineEndByte(p[at - 1])) --at;
    return at;
}

// The number of bytes of the line end that begins at `at`: 2 for CR LF,
// 1 for LF or a lone CR.
inline int32_t lineEndLength(const uint8_t* p, int64_t n, int64_t at) {
    return p[at] == kCarriageReturn && at + 1 < n && p[at + 1] == kLineFeed ? 2 : 1;
}

}  // namespace engine
