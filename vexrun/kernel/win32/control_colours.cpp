#include "vexrun/kernel/win32/control_colours.h"

namespace vexrun::win32 {

LRESULT ControlColouring::answer(UINT message, HDC dc, HWND child, const Control* control, HBRUSH windowBackground) {
    const ControlColours colours = control ? control->colours() : ControlColours{};
    if (colours.hasText) SetTextColor(dc, colours.text);
    COLORREF back = GetSysColor(message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE);
    if (colours.hasBackground) {
        back = colours.background;
    } else if (message != WM_CTLCOLOREDIT && windowBackground) {
        LOGBRUSH lb{};
        GetObjectW(windowBackground, sizeof lb, &lb);
        back = lb.lbColor;
    }
    // A disabled edit box asks as a static and keeps its own background;
    // a read-only one is a label, on the window's.
    if (message == WM_CTLCOLORSTATIC && control && !colours.hasBackground) {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (lstrcmpiW(cls, L"EDIT") == 0 && !(GetWindowLongPtrW(child, GWL_STYLE) & ES_READONLY)) {
            back = GetSysColor(COLOR_WINDOW);
        }
    }
    SetBkColor(dc, back);
    HBRUSH& brush = brushes_[back];
    if (!brush) brush = CreateSolidBrush(back);
    return reinterpret_cast<LRESULT>(brush);
}

}  // namespace vexrun::win32
