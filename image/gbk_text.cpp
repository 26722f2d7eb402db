#include "image/gbk_text.h"

#include <cerrno>
#include <cstdio>

// MinGW has no iconv: there the image reader shows a GBK text in its
// messages with every byte outside ASCII as \xNN.
#if __has_include(<iconv.h>)
#include <iconv.h>
#define TESSALY_HAS_ICONV 1
#endif

namespace image {
namespace {

#ifndef TESSALY_HAS_ICONV
std::optional<std::string> convert(const char*, const char*, std::string_view) { return std::nullopt; }
#else
std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[256];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;  // an invalid or incomplete sequence, or no form in the target
            break;
        }
        if (r != static_cast<size_t>(-1) && r > 0) {
            ok = false;  // a character was replaced rather than converted
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}
#endif

}  // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8) { return convert("GBK", "UTF-8", utf8); }

std::optional<std::string> gbkToUtf8(std::string_view gbk) { return convert("UTF-8", "GBK", gbk); }

std::string gbkForDisplay(std::string_view gbk) {
    if (auto utf8 = gbkToUtf8(gbk)) return *utf8;
    std::string out;
    for (unsigned char c : gbk) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out;
}

}  // namespace image
