#include "vexrun/driver/show_line.h"

#include <cstdio>

namespace drive {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string escapeText(std::u16string_view shown) {
    std::string out;
    const char16_t* s = shown.data();
    const size_t n = shown.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = s[i];
        char hex[8];
        switch (c) {
            case u'\\': out += "\\\\"; continue;
            case u'"': out += "\\\""; continue;
            case u'\r': out += "\\r"; continue;
            case u'\n': out += "\\n"; continue;
            case u'\t': out += "\\t"; continue;
            default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(c));
            out += hex;
        } else if (c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF)) {
            // A byte the text's encoding could not decode.
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(c - 0xDC00));
            out += hex;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += '?';  // a lone surrogate, written as Qt's UTF-8 encoder writes it
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::string showLine(std::string_view name, std::u16string_view text, const ShownState& state) {
    std::string line(name);
    line += " text=\"" + escapeText(text) + "\"";
    line += " checked=" + (state.checked < 0 ? std::string("-") : std::to_string(state.checked));
    line += " enabled=" + (state.enabled < 0 ? std::string("-") : std::to_string(state.enabled));
    line += " visible=" + std::string(state.visible ? "1" : "0");
    return line;
}

std::string progressLine(std::u16string_view caption, std::u16string_view first, std::u16string_view button,
                         std::string_view ended) {
    return "progress caption=\"" + escapeText(caption) + "\" first=\"" + escapeText(first) + "\" button=\"" +
           escapeText(button) + "\" ended=" + std::string(ended);
}

void printLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string fileNameOf(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace drive
