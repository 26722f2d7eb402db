// GBK texts of the program as UTF-8 for the terminal, through the kernel
// library's own GBK table (the same decoding the window shows them with).
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
