// UTF-16 to UTF-8 and back.
#include "vexrun/kernel/core/utf16_text.h"

#include <stdint.h>

namespace vexrun {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool isHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

uint32_t unitAt(std::string_view s, size_t i, Utf16Order order) {
    const auto a = static_cast<uint8_t>(s[i]), b = static_cast<uint8_t>(s[i + 1]);
    return order == Utf16Order::LittleEndian ? (a | b << 8) : (a << 8 | b);
}

void putUnit(std::string& out, uint32_t u, Utf16Order order) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    if (order == Utf16Order::LittleEndian) {
        out += low;
        out += high;
    } else {
        out += high;
        out += low;
    }
}

// A code point up to U+10FFFF (surrogates included) in its UTF-8 form.
void putUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point of the UTF-8 sequence at `i` and its length; length 0 when
// no well-formed sequence starts there. Surrogates in their three-byte form
// are taken (they stand for unpaired units).
uint32_t readUtf8(std::string_view s, size_t i, size_t& length) {
    const auto lead = static_cast<uint8_t>(s[i]);
    length = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    size_t n;
    uint32_t c, least;
    if (lead >= 0xC2 && lead <= 0xDF) n = 2, c = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) n = 3, c = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) n = 4, c = lead & 0x07, least = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = c << 6 | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF) return 0;
    length = n;
    return c;
}

}  // namespace

Utf16Order utf16OrderOf(std::string_view bytes) noexcept {
    if (bytes.size() < 2) return Utf16Order::None;
    const auto a = static_cast<uint8_t>(bytes[0]), b = static_cast<uint8_t>(bytes[1]);
    if (a == 0xFF && b == 0xFE) return Utf16Order::LittleEndian;
    if (a == 0xFE && b == 0xFF) return Utf16Order::BigEndian;
    return Utf16Order::None;
}

std::string utf16ToUtf8(std::string_view units, Utf16Order order, Utf16Faults faults) {
    std::string out;
    out.reserve(units.size() + units.size() / 2);
    const size_t whole = units.size() & ~static_cast<size_t>(1);
    for (size_t i = 0; i < whole; i += 2) {
        const uint32_t u = unitAt(units, i, order);
        if (isHighSurrogate(u) && i + 2 < whole) {
            const uint32_t next = unitAt(units, i + 2, order);
            if (isLowSurrogate(next)) {
                putUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        const bool unpaired = isHighSurrogate(u) || isLowSurrogate(u);
        putUtf8(out, unpaired && faults == Utf16Faults::Replace ? kReplacement : u);
    }
    if (whole < units.size() && faults == Utf16Faults::Replace) putUtf8(out, kReplacement);
    return out;
}

std::string utf8ToUtf16(std::string_view utf8, Utf16Order order) {
    std::string out;
    out.reserve(2 * utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        size_t length;
        uint32_t c = readUtf8(utf8, i, length);
        if (length == 0) {
            c = kReplacement;
            length = 1;
        }
        i += length;
        if (c >= 0x10000) {
            putUnit(out, 0xD800 + ((c - 0x10000) >> 10), order);
            putUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), order);
        } else {
            putUnit(out, c, order);
        }
    }
    return out;
}

}  // namespace vexrun
