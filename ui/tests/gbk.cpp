#include "ui/tests/gbk.h"

#include "vexrun/kernel/text/text_encoding.h"

namespace ui::test {

std::optional<std::string> toGbk(std::string_view utf8) {
    if (!vexrun::text::isValidUtf8(utf8)) return std::nullopt;
    const std::u16string text = vexrun::text::decode(utf8, vexrun::text::Encoding::Utf8);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t units = (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size()) ? 2 : 1;
        const std::u16string_view character(text.data() + i, units);
        i += units - 1;
        const std::string code = vexrun::text::encodeGbk(character);
        // Characters outside GBK come out as "?" or as four-byte codes; a
        // character of GBK decodes back to itself.
        const bool gbk = code.size() == 1 ? character.size() == 1 && character[0] < 0x80
                                          : code.size() == 2 && vexrun::text::decodeGbk(code) == character;
        if (!gbk) return std::nullopt;
        out += code;
    }
    return out;
}

long codePointCount(std::string_view utf8) {
    long count = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > utf8.size()) return -1;
        for (size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) return -1;
        }
        i += len;
        ++count;
    }
    return count;
}

}  // namespace ui::test
