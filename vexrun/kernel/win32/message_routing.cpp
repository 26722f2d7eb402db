// The messages of the Win32 layer's main windows: each control's
// notifications and colours handed to its control, the window's background,
// its picture, the driver's call, the start file, closing; and the message
// loop, with dialog keys between the controls and Ctrl+S.
#include <cstdio>
#include <exception>
#include <utility>

#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/win32/win32_backend.h"
#include "vexrun/kernel/win32/window_picture.h"

namespace vexrun::win32 {

LRESULT CALLBACK Win32Backend::mainWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* w = reinterpret_cast<LoadedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!w || !current_) return DefWindowProcW(window, message, wp, lp);
    if (!w->window) w->window = window;
    // Nothing may unwind into the window system's frames.
    try {
        return current_->mainWindowMessage(*w, window, message, wp, lp);
    } catch (const std::exception& e) {
        fatalError(std::string("the window layer failed: ") + e.what());
    } catch (...) {
        fatalError("the window layer failed");
    }
}

LRESULT Win32Backend::mainWindowMessage(LoadedWindow& w, HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_COMMAND:
            if (Control* c = controlOfWindow(reinterpret_cast<HWND>(lp))) c->command(HIWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lp);
            if (Control* c = controlOfWindow(header->hwndFrom)) return c->notify(header);
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const HWND child = reinterpret_cast<HWND>(lp);
            return colouring_.answer(message, reinterpret_cast<HDC>(wp), child, controlOfWindow(child), w.background);
        }
        case WM_ERASEBKGND:
            if (w.background) {
                RECT r{};
                GetClientRect(w.window, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, w.background);
                return 1;
            }
            break;
        case WM_TIMER:
            if (wp == kScreenshotTimer) {
                KillTimer(w.window, kScreenshotTimer);
                if (!saveWindowPicture(w.window, screenshotPathFromEnvironment())) {
                    std::fprintf(stderr, "vexrun: cannot save the window's picture\n");
                }
                return 0;
            }
            break;
        case kDriverReadyMessage:
            if (ready_) ready_();
            return 0;
        case kOpenStartFileMessage:
            if (auto zone = zones_.first(); zone && !startFile_.empty()) {
                fileDropped(zone->windowId, zone->dropTargetId, zone->box, std::exchange(startFile_, {}));
            }
            return 0;
        case WM_CLOSE:
            closeRequested(w);
            return 0;
        case WM_DESTROY:
            w.window = nullptr;
            return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wp, lp);
}

int32_t Win32Backend::runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab and the arrow keys move between controls as in a dialog; Enter
        // and Escape reach the control, whose key handler may want them.
        const bool enterOrEscape = msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
        HWND top = GetAncestor(msg.hwnd, GA_ROOT);
        // Ctrl+S anywhere in the window saves the text of the box that offers a save.
        if (msg.message == WM_KEYDOWN && msg.wParam == 'S' && (GetKeyState(VK_CONTROL) & 0x8000) &&
            (controlOfWindow(msg.hwnd) || mainWindow() == msg.hwnd)) {
            saveFromKeyboard();
            continue;
        }
        if (!enterOrEscape && top && controlOfWindow(msg.hwnd) && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace vexrun::win32
