// The clipboard's text as the wide Windows calls give it. Header only: the
// support libraries and the driver use it without linking the window layer.
#pragma once

#include <windows.h>

#include <string>

namespace vexrun::win32 {

// The text on the clipboard (empty when there is none or the clipboard is
// held by another program); `owner` is the window that opens it.
inline std::u16string clipboardUnicodeText(HWND owner) {
    std::u16string text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace vexrun::win32
