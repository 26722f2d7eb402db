#include "vexrun/kernel/win32/control_window.h"

#include <commctrl.h>

#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

constexpr UINT_PTR kSelectAllSubclass = 0x5E1A;

LRESULT CALLBACK selectAllProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wp == 0x01) {
        SendMessageW(window, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, selectAllProc, kSelectAllSubclass);
    return DefSubclassProc(window, message, wp, lp);
}

}  // namespace

HWND createChild(const wchar_t* className, DWORD style, DWORD exStyle, const ControlContext& context) {
    const image::Element& e = *context.element;
    HWND w = CreateWindowExW(exStyle, className, L"", WS_CHILD | style, e.left, e.top, e.width, e.height,
                             context.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w) context.host->fail("cannot make the window of control \"" + elementName(e) + "\" (error " +
                               std::to_string(GetLastError()) + ")");
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont()), FALSE);
    return w;
}

std::string elementName(const image::Element& e) {
    return text::encode(text::decode(e.name, text::Encoding::Gbk), text::Encoding::Utf8);
}

void selectAllOnCtrlA(HWND edit) { SetWindowSubclass(edit, selectAllProc, kSelectAllSubclass, 0); }

Control* unreadableSettings(const char* kind, const image::Element& e, std::string& error) {
    error = std::string("the settings of ") + kind + " \"" + elementName(e) + "\" cannot be read";
    return nullptr;
}

}  // namespace vexrun::win32
