// GBK texts of the program as UTF-8 for the terminal, through the kernel
// library's own GBK table (the same decoding the window shows them with);
// the columns a text takes in the terminal.
#include "retime/terminal_text.h"

#include "vexrun/kernel/text/text_encoding.h"

namespace retime {

std::string gbkToUtf8(std::string_view gbk) {
    std::u16string text = vexrun::text::decodeGbk(gbk);
    // A byte that decodes to nothing is kept as an escape: shown as U+FFFD.
    for (char16_t& c : text) {
        if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD;
    }
    return vexrun::text::encode(text, vexrun::text::Encoding::Utf8);
}

}  // namespace retime

namespace retime {

std::size_t columnsOf(std::string_view utf8) {
    std::size_t columns = 0;
    const std::u16string text = vexrun::text::decode(utf8, vexrun::text::Encoding::Utf8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        // A byte no character stands for shows as one U+FFFD.
        if (c >= 0xDC80 && c <= 0xDCFF) {
            ++columns;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        const bool combining = (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFEFF;
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
                          (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
                          (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        columns += combining ? 0 : wide ? 2 : 1;
    }
    return columns;
}

std::string padded(const std::string& utf8, std::size_t columns) {
    const std::size_t taken = columnsOf(utf8);
    return taken >= columns ? utf8 : utf8 + std::string(columns - taken, ' ');
}

}  // namespace retime
