// UTF-16 text with a byte-order mark, as Windows saves "Unicode" text, and
// UTF-8, the form the program's 8-bit texts can hold it in.
#pragma once

#include <string>
#include <string_view>

namespace vexrun {

enum class Utf16Order { None, LittleEndian, BigEndian };

// The byte order of a text that starts with a UTF-16 byte-order mark
// (FF FE little-endian, FE FF big-endian); None for any other text.
Utf16Order utf16OrderOf(std::string_view bytes) noexcept;

// What becomes of a unit that is no character (an unpaired surrogate) and of
// an odd last byte.
enum class Utf16Faults {
    Replace,  // U+FFFD each: the text shows, a fault is no longer told apart
    Keep,     // an unpaired surrogate as its own three-byte form (ED A0 80 to
              // ED BF BF), which utf8ToUtf16 turns back into the same unit;
              // an odd last byte is left out (the caller keeps it)
};

// The UTF-16 units of `units` (without the byte-order mark) as UTF-8.
std::string utf16ToUtf8(std::string_view units, Utf16Order order, Utf16Faults faults);

// UTF-8 as UTF-16 units in `order`, without a byte-order mark. The three-byte
// form of a surrogate gives that unit back; a byte that starts no well-formed
// sequence gives U+FFFD.
std::string utf8ToUtf16(std::string_view utf8, Utf16Order order);

}  // namespace vexrun
