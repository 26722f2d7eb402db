#include "vexrun/driver/show_line.h"

#include <cstdio>

namespace drive {

std::string escapeText(const QString& shown) {
    std::string out;
    const char16_t* s = reinterpret_cast<const char16_t*>(shown.utf16());
    const qsizetype n = shown.size();
    for (qsizetype i = 0; i < n; ++i) {
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
            out += QString(reinterpret_cast<const QChar*>(s + i), 2).toUtf8().toStdString();
            ++i;
        } else {
            out += QString(QChar(c)).toUtf8().toStdString();
        }
    }
    return out;
}

std::string showLine(std::string_view name, const QString& text, const ShownState& state) {
    std::string line(name);
    line += " text=\"" + escapeText(text) + "\"";
    line += " checked=" + (state.checked < 0 ? std::string("-") : std::to_string(state.checked));
    line += " enabled=" + (state.enabled < 0 ? std::string("-") : std::to_string(state.enabled));
    line += " visible=" + std::string(state.visible ? "1" : "0");
    return line;
}

}  // namespace drive
