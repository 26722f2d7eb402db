#include "vexrun/kernel/win32/main_window.h"

#include <commctrl.h>

#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/window_frame.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

constexpr wchar_t kMainWindowClass[] = L"TessalyWindow";

// A fixed size: caption, system menu, minimise and close, no maximise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

}  // namespace

void registerMainWindowClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kMainWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) {
        fatalError("the main window's class cannot be registered (error " + std::to_string(GetLastError()) + ")");
    }
}

HWND createMainWindow(const image::Window& window, const std::u16string& caption, void* param) {
    const image::Element& self = window.elements[0];
    const ClientSize client = clientSizeFor(window);
    RECT outer{0, 0, client.width, client.height};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    HWND made = CreateWindowExW(0, kMainWindowClass, wide(caption), kStyle, self.left, self.top,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), param);
    if (!made) fatalError("the main window cannot be made (error " + std::to_string(GetLastError()) + ")");
    return made;
}

}  // namespace vexrun::win32
