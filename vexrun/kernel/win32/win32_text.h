// Texts between the program's bytes and the wide Windows calls, and the
// fonts of the window: one sans face with Chinese glyphs (WenQuanYi Micro Hei
// where it is installed, as under Wine, else the system's Chinese UI faces),
// 12 pixels, a little narrower than its normal width, as on Linux. Header
// only: the support libraries use it without linking the window layer.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "image/window_record.h"

namespace vexrun::win32 {

inline const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// A window's text, as UTF-16.
inline std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(size_t(length) + 1, u'\0');
    const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(size_t(std::max(got, 0)));
    return text;
}

constexpr int kControlFontPixels = 12;
constexpr int kControlFontStretchPercent = 85;
constexpr int kSmallestFontPixels = 6;

inline bool faceInstalled(const wchar_t* face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &query, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
            *reinterpret_cast<bool*>(p) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The first of our faces this system has.
inline const wchar_t* controlFace() {
    static const wchar_t* face = [] {
        for (const wchar_t* f : {L"WenQuanYi Micro Hei", L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun"}) {
            if (faceInstalled(f)) return f;
        }
        return L"MS Shell Dlg 2";
    }();
    return face;
}

// The metrics of `font` on the screen.
inline TEXTMETRICW fontMetrics(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm;
}

inline HFONT makeFont(const wchar_t* face, int pixels, int weight, bool italic, bool underline, bool strikeOut,
                      int stretchPercent) {
    LOGFONTW lf{};
    lf.lfHeight = -pixels;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    if (stretchPercent != 100) {
        // A narrower setting of the face: its average width, scaled.
        HFONT normal = CreateFontIndirectW(&lf);
        const TEXTMETRICW tm = fontMetrics(normal);
        DeleteObject(normal);
        lf.lfWidth = std::max<LONG>(1, (tm.tmAveCharWidth * stretchPercent + 50) / 100);
    }
    return CreateFontIndirectW(&lf);
}

// The font of controls that store none; made once, never freed.
inline HFONT controlFont() {
    static HFONT font = makeFont(controlFace(), kControlFontPixels, FW_NORMAL, false, false, false,
                                 kControlFontStretchPercent);
    return font;
}

// How wide `text` is in `font`, in pixels.
inline int textWidth(HFONT font, std::u16string_view text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), int(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// A logical-font record's pixel height: a negative height is the character
// height, a positive one the cell height, of which the character takes
// about four fifths.
inline int recordFontPixels(const image::FontSettings& s) {
    int pixels = kControlFontPixels;
    if (s.height < 0) pixels = -s.height;
    if (s.height > 0) pixels = (s.height * 4 + 2) / 5;
    return std::clamp(pixels, 6, 200);
}

// A record's font at `stretchPercent` of its width; a face this system does
// not have maps to our control face.
inline HFONT fontFromRecord(const image::FontSettings& s, int stretchPercent) {
    std::wstring face(s.faceName.begin(), s.faceName.end());
    const wchar_t* use = !face.empty() && faceInstalled(face.c_str()) ? face.c_str() : controlFace();
    return makeFont(use, recordFontPixels(s), s.weight > 0 ? std::clamp(s.weight, 1, 1000) : FW_NORMAL,
                    s.italic != 0, s.underline != 0, s.strikeOut != 0, stretchPercent);
}

// A record colour as a Windows colour: RGB with red in the low byte, or
// 0xFF000000 plus a system colour index; false for "the kind's default".
inline bool colourFromRecord(uint32_t value, COLORREF& colour) {
    if ((value & 0xFF000000u) == 0) {
        colour = value;
        return true;
    }
    if ((value & 0xFF000000u) == 0xFF000000u && value != 0xFF000000u && (value & 0xFFFFFFu) < 31) {
        colour = GetSysColor(int(value & 0xFFFFFFu));
        return true;
    }
    return false;
}

}  // namespace vexrun::win32
