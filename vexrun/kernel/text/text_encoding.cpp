#include "vexrun/kernel/text/text_encoding.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "image/little_endian.h"
#include "vexrun/kernel/text/gbk_table.h"

// The table's bytes, embedded by gbk_table_data.S.
extern "C" const uint8_t vexrun_gbk_table[];
extern "C" const uint8_t vexrun_gbk_table_end[];

namespace vexrun::text {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + byte (0x80..0xFF)

bool isEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

char16_t tableAt(size_t index) {
    return char16_t(image::loadU16(vexrun_gbk_table + 2 * index));
}

size_t beyondBmpCount() { return tableAt(gbk::kTableBytes / 2); }

bool tableWhole() {
    const size_t size = gbkTableSize();
    return size >= gbk::kTableBytes + 2 && size == gbk::kTableBytes + 2 + beyondBmpCount() * gbk::kBeyondBmpEntryBytes;
}

// A two-byte code's characters: one BMP unit, or the pair of a character
// beyond it.
bool appendTwoByte(std::u16string& out, size_t index) {
    const char16_t c = tableAt(index);
    if (c == 0) return false;
    if (c != gbk::kBeyondBmp) {
        out.push_back(c);
        return true;
    }
    const size_t first = gbk::kTableBytes / 2 + 1;
    for (size_t k = 0; k < beyondBmpCount(); ++k) {
        if (tableAt(first + 3 * k) == index) {
            out.push_back(tableAt(first + 3 * k + 1));
            out.push_back(tableAt(first + 3 * k + 2));
            return true;
        }
    }
    return false;
}

void appendUtf16(std::u16string& out, uint32_t cp) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | cp >> 6));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | cp >> 12));
        out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | cp >> 18));
        out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// The GBK code of every BMP character (0: none), the shortest code first:
// two-byte codes hold the code in the low 16 bits, four-byte codes have bit
// 31 set and their number below it.
// Characters beyond the BMP with a two-byte code are in `beyond`.
struct ReverseTable {
    std::vector<uint32_t> codes;
    std::vector<std::pair<uint32_t, uint16_t>> beyond;  // code point, two-byte code
};

uint16_t twoByteCode(size_t index) {
    return uint16_t((gbk::kLeadFirst + index / gbk::kTrailCount) << 8 | (gbk::kTrailFirst + index % gbk::kTrailCount));
}

const ReverseTable& reverseTable() {
    static std::once_flag once;
    static ReverseTable table;
    std::call_once(once, [] {
        std::vector<uint32_t>& codes = table.codes;
        codes.assign(0x10000, 0);
        if (!tableWhole()) return;
        for (size_t n = 0; n < gbk::kFourByteBmpCount; ++n) {
            if (char16_t c = tableAt(gbk::kTwoByteCount + n)) codes[c] = 0x80000000u | uint32_t(n);
        }
        for (size_t i = gbk::kTwoByteCount; i-- > 0;) {
            const char16_t c = tableAt(i);
            if (c && c != gbk::kBeyondBmp) codes[c] = twoByteCode(i);
        }
        const size_t first = gbk::kTableBytes / 2 + 1;
        for (size_t k = 0; k < beyondBmpCount(); ++k) {
            const uint32_t cp = 0x10000 + ((uint32_t(tableAt(first + 3 * k + 1)) - 0xD800) << 10) +
                                (uint32_t(tableAt(first + 3 * k + 2)) - 0xDC00);
            table.beyond.emplace_back(cp, twoByteCode(tableAt(first + 3 * k)));
        }
    });
    return table;
}

void appendFourByte(std::string& out, uint32_t n) {
    out.push_back(char(0x81 + n / 12600));
    out.push_back(char(0x30 + n / 1260 % 10));
    out.push_back(char(0x81 + n / 10 % 126));
    out.push_back(char(0x30 + n % 10));
}

// A code point from UTF-16 at `i` (a pair, or one unit), advancing `i`.
uint32_t nextCodePoint(std::u16string_view s, size_t& i) {
    const char16_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
        return 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(s[i++]) - 0xDC00);
    }
    return c;
}

}  // namespace

size_t gbkTableSize() { return size_t(vexrun_gbk_table_end - vexrun_gbk_table); }

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Skip ASCII eight bytes at a time: subtitles are mostly ASCII.
        while (end - p >= 8) {
            uint64_t w;
            __builtin_memcpy(&w, p, 8);
            if (w & 0x8080808080808080ull) break;
            p += 8;
        }
        if (p >= end) break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return false;
        if (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) return false;
        p += extra + 1;
    }
    return true;
}

Encoding detectEncoding(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Gbk;
    }
    return Encoding::Gbk;
}

std::u16string decodeGbk(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    const bool table = tableWhole();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned b1 = p[i];
        if (b1 < 0x80) {
            out.push_back(char16_t(b1));
            ++i;
            continue;
        }
        if (table && b1 >= gbk::kLeadFirst && b1 <= gbk::kLeadLast && i + 1 < n) {
            const unsigned b2 = p[i + 1];
            if (b2 >= gbk::kTrailFirst && b2 <= gbk::kTrailLast) {
                if (appendTwoByte(out, (b1 - gbk::kLeadFirst) * gbk::kTrailCount + (b2 - gbk::kTrailFirst))) {
                    i += 2;
                    continue;
                }
            } else if (b2 >= 0x30 && b2 <= 0x39 && i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE &&
                       p[i + 3] >= 0x30 && p[i + 3] <= 0x39) {
                const uint32_t number = gbk::fourByteNumber(b1, b2, p[i + 2], p[i + 3]);
                if (number < gbk::kFourByteBmpCount) {
                    if (char16_t c = tableAt(gbk::kTwoByteCount + number)) {
                        out.push_back(c);
                        i += 4;
                        continue;
                    }
                } else if (number >= gbk::kSupplementaryFirst &&
                           number < gbk::kSupplementaryFirst + gbk::kSupplementaryCount) {
                    appendUtf16(out, 0x10000 + (number - gbk::kSupplementaryFirst));
                    i += 4;
                    continue;
                }
            }
        }
        // A byte that starts nothing decodable: kept as its escape.
        out.push_back(char16_t(kEscapeBase + b1));
        ++i;
    }
    return out;
}

// Encodes a text: an escape gives back the byte it stands for, every other
// code point goes through `append`.
template <typename Append>
std::string encodeEach(std::u16string_view text, size_t reserve, Append append) {
    std::string out;
    out.reserve(reserve);
    size_t i = 0;
    while (i < text.size()) {
        if (isEscape(text[i])) {
            out.push_back(char(text[i++] - kEscapeBase));
            continue;
        }
        append(out, nextCodePoint(text, i));
    }
    return out;
}

std::string encodeGbk(std::u16string_view text) {
    const ReverseTable& table = reverseTable();
    return encodeEach(text, text.size() * 2, [&table](std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp >= 0x10000) {
            uint16_t two = 0;
            for (const auto& [c, code] : table.beyond) {
                if (c == cp) two = code;
            }
            if (two) {
                out.push_back(char(two >> 8));
                out.push_back(char(two & 0xFF));
            } else {
                appendFourByte(out, gbk::kSupplementaryFirst + (cp - 0x10000));
            }
        } else if (const uint32_t code = table.codes[cp]; code & 0x80000000u) {
            appendFourByte(out, code & 0x7FFFFFFFu);
        } else if (code) {
            out.push_back(char(code >> 8));
            out.push_back(char(code & 0xFF));
        } else {
            out.push_back('?');
        }
    });
}

std::u16string decode(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Gbk || !isValidUtf8(bytes)) return decodeGbk(bytes);
    std::u16string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        uint32_t cp = *p++;
        int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        if (extra) cp &= 0x3Fu >> extra;
        for (; extra > 0; --extra) cp = (cp << 6) | (*p++ & 0x3Fu);
        appendUtf16(out, cp);
    }
    return out;
}

std::string encode(std::u16string_view text, Encoding encoding) {
    if (encoding == Encoding::Gbk) return encodeGbk(text);
    return encodeEach(text, text.size(), [](std::string& out, uint32_t cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            out.push_back('?');
        } else {
            appendUtf8(out, cp);
        }
    });
}

}  // namespace vexrun::text
