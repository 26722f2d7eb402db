// The program's own operations on texts, byte sets and doubles: comparison,
// length, concatenation, truncation to an integer, and the omitted-argument
// words of an argument list under construction. Everything is computed in
// place; the only memory comes from the allocate slot.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

namespace prog {

// The address of a program-level text or byte-set variable. The variables are
// packed without gaps, so such an address need not be aligned.
typedef Text TextVar __attribute__((aligned(1)));
typedef ByteSet ByteSetVar __attribute__((aligned(1)));

// -1, 0 or 1, comparing unsigned bytes up to and including the closing NUL.
// No text (nullptr) equals the empty text.
int32_t compareText(const char* a, const char* b);

// Bytes before the NUL; 0 for no text. A GBK double-byte character counts 2.
int32_t textLength(const char* t);

// A new text holding the parts one after the other (nullptr parts count as
// ""). Always a block, a single NUL when every part is empty. n >= 1.
Text concatTextParts(const char* const* parts, int32_t n);
template <typename... Parts>
inline Text concatText(Parts... parts) {
    static_assert(sizeof...(Parts) >= 1, "at least one part");
    const char* list[] = {parts...};
    return concatTextParts(list, static_cast<int32_t>(sizeof...(Parts)));
}

// A new byte set holding the bytes of the parts one after the other
// (nullptr parts count as empty); nullptr when the total is 0. n >= 1.
ByteSet concatBytesParts(const ByteSetBlock* const* parts, int32_t n);
template <typename... Parts>
inline ByteSet concatBytes(Parts... parts) {
    static_assert(sizeof...(Parts) >= 1, "at least one part");
    const ByteSetBlock* list[] = {parts...};
    return concatBytesParts(list, static_cast<int32_t>(sizeof...(Parts)));
}

// x toward zero as a 64-bit integer (cvttsd2si); NaN, infinities and values
// outside the 64-bit range give 0x8000000000000000. Callers keep the low 32
// bits as a signed integer.
int64_t truncToInt(double x);

// Writes n zero words of 32 bits at `at`: three make one omitted argument
// record (tag 0).
void placeOmittedWords(void* at, int32_t n);

// Stores a new block into a text or byte-set variable, freeing the old one.
inline void storeText(TextVar* variable, Text block) {
    Text old = *variable;
    *variable = block;
    if (old && old != block) vxFree(old);
}
inline void storeBytes(ByteSetVar* variable, ByteSet block) {
    ByteSet old = *variable;
    *variable = block;
    if (old && old != block) vxFree(old);
}

// The value handed to the kernel library for a text or byte set that may be
// missing: the constant empty text / the constant empty block.
const char* textOrEmpty(const char* t);
const ByteSetBlock* bytesOrEmpty(const ByteSetBlock* b);

}  // namespace prog
