// The GBK (GB18030) decoding table our own codec reads: the Unicode character
// of every two-byte code and of every four-byte code that stands for a
// character of the Basic Multilingual Plane, 0 where the code decodes to
// nothing. It is made on Linux from the C library's converter
// (tessaly-gbk-table) and embedded byte for byte in the libraries that decode
// with it, so that texts read the same on every platform: Wine's and
// Windows' code page 936 differ from it in a few codes, and Wine has no code
// page 54936.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vexrun::gbk {

// Two-byte codes: lead 0x81..0xFE, trail 0x40..0xFE (0x7F never decodes).
constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr size_t kTrailCount = kTrailLast - kTrailFirst + 1;
constexpr size_t kTwoByteCount = (kLeadLast - kLeadFirst + 1) * kTrailCount;

// Four-byte codes b1 b2 b3 b4 (b1, b3 in 0x81..0xFE; b2, b4 in 0x30..0x39)
// are numbered linearly from 81 30 81 30; numbers below kFourByteBmpCount
// stand for characters of the Basic Multilingual Plane (81 30 81 30 to
// 84 31 A4 39), numbers from kSupplementaryFirst on (90 30 81 30) for
// U+10000 onwards, one after another.
constexpr size_t kFourByteBmpCount = 39420;
constexpr uint32_t kSupplementaryFirst = 189000;
constexpr uint32_t kSupplementaryCount = 0x100000;

constexpr uint32_t fourByteNumber(unsigned b1, unsigned b2, unsigned b3, unsigned b4) {
    return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
}
static_assert(fourByteNumber(0x81, 0x30, 0x81, 0x30) == 0);
static_assert(fourByteNumber(0x84, 0x31, 0xA4, 0x39) == kFourByteBmpCount - 1);
static_assert(fourByteNumber(0x90, 0x30, 0x81, 0x30) == kSupplementaryFirst);
static_assert(fourByteNumber(0xE3, 0x32, 0x9A, 0x35) == kSupplementaryFirst + kSupplementaryCount - 1);

// The table file: kTwoByteCount then kFourByteBmpCount little-endian 16-bit
// characters, then the two-byte codes that stand for a character beyond the
// BMP (their entry above is kBeyondBmp): a 16-bit count, then for each its
// 16-bit index in the two-byte part and its two UTF-16 units.
constexpr size_t kTableBytes = (kTwoByteCount + kFourByteBmpCount) * 2;
constexpr char16_t kBeyondBmp = 0xFFFF;
constexpr size_t kBeyondBmpEntryBytes = 6;

}  // namespace vexrun::gbk
