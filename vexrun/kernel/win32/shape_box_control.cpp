// The shape box (kind 1:7) as a horizontal or vertical line: a window of our
// own class that paints one pixel through the middle of its box and lets
// the mouse through.
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/control_window.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

constexpr uint32_t kHorizontalLine = 6;
constexpr uint32_t kVerticalLine = 7;
constexpr wchar_t kLineClass[] = L"VexrunLine";

// A one-pixel line through the middle of its box; the window's user data
// holds its colour, and kVerticalBit for a vertical line.
constexpr LONG_PTR kVerticalBit = LONG_PTR(1) << 32;

LRESULT CALLBACK lineProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r{};
        GetClientRect(window, &r);
        const LONG_PTR data = GetWindowLongPtrW(window, GWLP_USERDATA);
        const bool vertical = data & kVerticalBit;
        const RECT line = vertical ? RECT{r.right / 2, 0, r.right / 2 + 1, r.bottom}
                                   : RECT{0, r.bottom / 2, r.right, r.bottom / 2 + 1};
        HBRUSH brush = CreateSolidBrush(COLORREF(data & 0xFFFFFF));
        FillRect(dc, &line, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcW(window, message, wp, lp);
}

}  // namespace

Control* createShapeBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeShapeSettings(c.element->extension);
    if (!s || (s->shape != kHorizontalLine && s->shape != kVerticalLine)) {
        error = "the settings of shape box \"" + elementName(*c.element) +
                "\" cannot be read (a horizontal or vertical line)";
        return nullptr;
    }
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = lineProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kLineClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    colourFromRecord(s->lineColour, colour);
    HWND w = createChild(kLineClass, 0, 0, c);
    SetWindowLongPtrW(w, GWLP_USERDATA, LONG_PTR(colour) | (s->shape == kVerticalLine ? kVerticalBit : 0));
    return new PlainControl(w);
}

}  // namespace vexrun::win32
