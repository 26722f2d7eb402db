#include "vexrun/kernel/win32/progress_box.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

constexpr int kPollMs = 20;
constexpr int kBarSteps = 1000;
constexpr UINT_PTR kPollTimer = 1;
constexpr int kCancelId = 100;
constexpr int kWidth = 380, kHeight = 150;
constexpr const wchar_t* kClassName = L"TessalyProgressBox";

std::u16string utf16(std::string_view utf8) { return text::decode(utf8, text::Encoding::Utf8); }

// "还需约 1 分 05 秒": the time left from the pace so far, once there is one.
std::string timeLeftText(double share, double seconds) {
    if (share < 0.02 || seconds < 0.5) return "正在估计剩余时间…";
    const long left = std::max(1L, static_cast<long>(std::lround(seconds * (1 - share) / share)));
    if (left < 60) return "还需约 " + std::to_string(left) + " 秒";
    const long s = left % 60;
    return "还需约 " + std::to_string(left / 60) + " 分 " + (s < 10 ? "0" : "") + std::to_string(s) + " 秒";
}

struct Box {
    Box(ProgressWork& w, const ProgressCancelPlan& p, ProgressBoxRecord& r) : work(w), plan(p), record(r) {}

    ProgressWork& work;
    ProgressCancelPlan plan;
    ProgressBoxRecord& record;
    HWND window = nullptr, status = nullptr, bar = nullptr, left = nullptr, button = nullptr;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::atomic<bool> finished{false};
    bool cancelled = false;
    bool ended = false;
    std::string shownStatus;

    void cancel() {
        if (cancelled || finished.load()) return;
        cancelled = true;
        record.cancelledAt = std::chrono::steady_clock::now();
        work.cancel();
        EnableWindow(button, FALSE);
        SetWindowTextW(status, wide(utf16("正在取消…")));
    }

    void poll() {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (finished.load()) {
            ended = true;
            return;
        }
        if (cancelled) return;
        const double share = std::clamp(work.shareDone(), 0.0, 1.0);
        if (planCancels(plan, seconds, share)) {
            cancel();
            return;
        }
        const std::string now = work.status();
        if (now != shownStatus) {
            shownStatus = now;
            SetWindowTextW(status, wide(utf16(now)));
        }
        SendMessageW(bar, PBM_SETPOS, WPARAM(share * kBarSteps), 0);
        SetWindowTextW(left, wide(utf16(timeLeftText(share, seconds))));
    }
};

LRESULT CALLBACK boxProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* box = reinterpret_cast<Box*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (box) {
        switch (message) {
            case WM_TIMER:
                if (wp == kPollTimer) box->poll();
                return 0;
            case WM_COMMAND:
                if (LOWORD(wp) == kCancelId) box->cancel();
                return 0;
            case WM_CLOSE:  // closing the box is 取消; it goes once the work stopped
                box->cancel();
                return 0;
            default: break;
        }
    }
    return DefWindowProcW(window, message, wp, lp);
}

HWND child(HWND parent, const wchar_t* kind, const std::u16string& text, DWORD style, int x, int y, int w, int h,
           int id = 0) {
    HWND c = CreateWindowExW(0, kind, wide(text), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont()), TRUE);
    return c;
}

}  // namespace

bool runUnderProgressBox(HWND owner, const ProgressBoxTexts& texts, ProgressWork& work,
                         const ProgressCancelPlan& plan, ProgressBoxRecord& record) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX common{sizeof(common), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&common);
        WNDCLASSEXW c{};
        c.cbSize = sizeof(c);
        c.lpfnWndProc = boxProc;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        c.lpszClassName = kClassName;
        return RegisterClassExW(&c) != 0;
    }();
    (void)registered;
    Box box(work, plan, record);
    record = {texts.caption, work.status(), kProgressCancelCaption, {}};
    box.shownStatus = work.status();

    RECT over{};
    if (owner) GetWindowRect(owner, &over);
    const int x = owner ? (over.left + over.right - kWidth) / 2 : CW_USEDEFAULT;
    const int y = owner ? (over.top + over.bottom - kHeight) / 2 : CW_USEDEFAULT;
    box.window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, wide(utf16(texts.caption)),
                                 WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, kWidth, kHeight, owner, nullptr,
                                 GetModuleHandleW(nullptr), &box);
    box.status = child(box.window, L"STATIC", utf16(box.shownStatus), SS_LEFT | SS_ENDELLIPSIS, 12, 10, 350, 18);
    box.bar = child(box.window, PROGRESS_CLASSW, u"", 0, 12, 34, 350, 18);
    SendMessageW(box.bar, PBM_SETRANGE32, 0, kBarSteps);
    box.left = child(box.window, L"STATIC", utf16(timeLeftText(0, 0)), SS_LEFT, 12, 58, 250, 18);
    box.button = child(box.window, L"BUTTON", utf16(kProgressCancelCaption), BS_PUSHBUTTON | WS_TABSTOP, 282, 80,
                       80, 28, kCancelId);

    // Modal: the owner takes no input while the box is up, and is drawn.
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(box.window, SW_SHOW);
    SetTimer(box.window, kPollTimer, kPollMs, nullptr);
    std::thread worker([&box] {
        box.work.run();
        box.finished.store(true);
    });
    MSG message{};
    int got = 1;
    while (!box.ended && (got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!IsDialogMessageW(box.window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The loop was told to end meanwhile: the work is stopped, and the end
    // is passed on to the loop the box ran inside.
    if (got <= 0) box.cancel();
    worker.join();
    if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
    KillTimer(box.window, kPollTimer);
    if (owner) EnableWindow(owner, TRUE);
    DestroyWindow(box.window);
    if (owner) SetForegroundWindow(owner);
    record.ended = box.cancelled ? "cancelled" : "done";
    return !box.cancelled;
}

}  // namespace vexrun::win32
