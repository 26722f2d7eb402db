// GBK texts of the program as UTF-8 for the terminal, through iconv.
#include "retime/terminal_text.h"

#include <iconv.h>

#include <cerrno>

namespace retime {

std::string gbkToUtf8(std::string_view gbk) {
    // GB18030 reads every GBK text the same way and more besides.
    iconv_t cd = ::iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(gbk);

    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    while (inLeft > 0) {
        char* to = buffer;
        size_t toLeft = sizeof buffer;
        const size_t r = ::iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(buffer, static_cast<size_t>(to - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // Not GBK here: one replacement character, then go on behind it.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    ::iconv_close(cd);
    return out;
}

}  // namespace retime
