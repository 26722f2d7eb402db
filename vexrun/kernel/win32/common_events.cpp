#include "vexrun/kernel/win32/common_events.h"

#include <commctrl.h>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun::win32 {
namespace {

constexpr UINT_PTR kCommonEventsSubclass = 0x7E55;

// What a watched window's subclass knows; freed with the window.
struct Watch {
    ControlHost* host;
    uint32_t windowId;
    const image::Element* element;
};

// The shift state handed along with mouse and key events: 1 Ctrl, 2 Shift, 4 Alt.
int32_t shiftState() {
    return (GetKeyState(VK_CONTROL) < 0 ? 1 : 0) | (GetKeyState(VK_SHIFT) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

LRESULT CALLBACK commonEventsProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* watch = reinterpret_cast<Watch*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, commonEventsProc, kCommonEventsSubclass);
        delete watch;
        return DefSubclassProc(window, message, wp, lp);
    }
    const image::Element& e = *watch->element;
    if (IsWindowEnabled(window)) {
        // Nothing may unwind into the window system's frames.
        try {
            if (message == WM_LBUTTONDBLCLK && image::handlerFor(e, vx::kEventDoubleClicked)) {
                watch->host->raiseEvent(watch->windowId, e.id, vx::kEventDoubleClicked,
                                        EventArgs::integers({int16_t(LOWORD(lp)), int16_t(HIWORD(lp)), shiftState()}));
            } else if (message == WM_KEYDOWN && image::handlerFor(e, vx::kEventKeyPressed)) {
                watch->host->raiseEvent(watch->windowId, e.id, vx::kEventKeyPressed,
                                        EventArgs::integers({int32_t(wp), shiftState()}));
            }
        } catch (...) {
            fatalError("the window layer failed in an event of a control");
        }
    }
    return DefSubclassProc(window, message, wp, lp);
}

}  // namespace

void watchCommonEvents(HWND control, ControlHost* host, uint32_t windowId, const image::Element& element) {
    const bool doubleClicks = image::handlerFor(element, vx::kEventDoubleClicked).has_value();
    const bool keys = image::handlerFor(element, vx::kEventKeyPressed).has_value();
    if (!doubleClicks && !keys) return;
    SetWindowSubclass(control, commonEventsProc, kCommonEventsSubclass,
                      reinterpret_cast<DWORD_PTR>(new Watch{host, windowId, &element}));
}

}  // namespace vexrun::win32
