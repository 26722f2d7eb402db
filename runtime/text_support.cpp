// Texts and byte sets: comparison, length and concatenation, stepping four
// bytes at a time once the address is a multiple of 4; truncation of a
// double; the omitted-argument words.
#include "runtime/text_support.h"

#include "runtime/const_table.h"

namespace prog {
namespace {

// A word read from a text. An aligned word never crosses a page, so reading
// the whole word that holds the closing NUL is safe; it may reach up to three
// bytes past the block, which AddressSanitizer would rightly report, so the
// sanitized build steps byte by byte.
typedef uint32_t __attribute__((may_alias)) TextWord;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TESSALY_ADDRESS_SANITIZER)
constexpr bool kWordSteps = false;
#else
constexpr bool kWordSteps = true;
#endif

inline bool isAligned(const void* p) { return (reinterpret_cast<uintptr_t>(p) & 3u) == 0; }

inline bool hasZeroByte(uint32_t w) { return ((w - 0x01010101u) & ~w & 0x80808080u) != 0; }

inline int32_t compareBytes(const uint8_t* x, const uint8_t* y) {
    for (;; ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
        if (*x == 0) return 0;
    }
}

}  // namespace

int32_t compareText(const char* a, const char* b) {
    if (!a) return (!b || *b == 0) ? 0 : -1;
    if (!b) return *a == 0 ? 0 : 1;
    auto* x = reinterpret_cast<const uint8_t*>(a);
    auto* y = reinterpret_cast<const uint8_t*>(b);
    // Byte by byte until x is aligned; words while both are aligned.
    while (!isAligned(x)) {
        if (*x != *y) return *x < *y ? -1 : 1;
        if (*x == 0) return 0;
        ++x;
        ++y;
    }
    if (kWordSteps && isAligned(y)) {
        for (;;) {
            uint32_t wx = *reinterpret_cast<const TextWord*>(x);
            uint32_t wy = *reinterpret_cast<const TextWord*>(y);
            if (wx != wy || hasZeroByte(wx)) break;  // the answer lies in this word
            x += 4;
            y += 4;
        }
    }
    return compareBytes(x, y);
}

int32_t textLength(const char* t) {
    if (!t) return 0;
    const char* p = t;
    while (!isAligned(p)) {
        if (*p == 0) return static_cast<int32_t>(p - t);
        ++p;
    }
    if (kWordSteps) {
        while (!hasZeroByte(*reinterpret_cast<const TextWord*>(p))) p += 4;
    }
    while (*p != 0) ++p;
    return static_cast<int32_t>(p - t);
}

Text concatTextParts(const char* const* parts, int32_t n) {
    uint32_t total = 1;
    for (int32_t i = 0; i < n; ++i) total += static_cast<uint32_t>(textLength(parts[i]));
    auto* block = static_cast<char*>(vxAllocate(total));
    char* out = block;
    for (int32_t i = 0; i < n; ++i) {
        auto len = static_cast<uint32_t>(textLength(parts[i]));
        if (len == 0) continue;  // also every nullptr part
        __builtin_memcpy(out, parts[i], len);
        out += len;
    }
    *out = 0;
    return block;
}

ByteSet concatBytesParts(const ByteSetBlock* const* parts, int32_t n) {
    uint32_t total = 0;
    for (int32_t i = 0; i < n; ++i) total += byteCount(parts[i]);
    if (total == 0) return nullptr;
    auto* block = static_cast<ByteSet>(vxAllocate(8 + total));
    block->one = 1;
    block->count = total;
    uint8_t* out = bytesOf(block);
    for (int32_t i = 0; i < n; ++i) {
        if (!parts[i]) continue;
        __builtin_memcpy(out, bytesOf(parts[i]), parts[i]->count);
        out += parts[i]->count;
    }
    return block;
}

int64_t truncToInt(double x) {
    // cvttsd2si truncates whatever the rounding mode, and gives the lowest
    // 64-bit integer for NaN, infinities and values out of range.
    int64_t r;
    __asm__("cvttsd2si %1, %0" : "=r"(r) : "x"(x));
    return r;
}

void placeOmittedWords(void* at, int32_t n) {
    // Argument lists are packed: the words need not be aligned.
    typedef uint32_t __attribute__((aligned(1), may_alias)) ArgWord;
    auto* w = static_cast<ArgWord*>(at);
    for (int32_t i = 0; i < n; ++i) w[i] = 0;
}

const char* textOrEmpty(const char* t) { return t ? t : constText(image::kConstEmptyText); }

const ByteSetBlock* bytesOrEmpty(const ByteSetBlock* b) {
    return b ? b : constBytes(image::kConstEmptyBlock);
}

}  // namespace prog
