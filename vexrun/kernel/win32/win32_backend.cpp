#include "vexrun/kernel/win32/win32_backend.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/support_libraries.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/png_file.h"
#include "vexrun/kernel/win32/win32_clipboard.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {

namespace {

constexpr wchar_t kMainWindowClass[] = L"TessalyWindow";
constexpr UINT_PTR kCommonEventsSubclass = 0x7E55;
constexpr UINT_PTR kScreenshotTimer = 1;
constexpr UINT kScreenshotDelayMs = 300;
// Posted once the first window is up, for the headless driver's call.
constexpr UINT kDriverReadyMessage = WM_APP + 0x7E;
// The file the program was started with, dropped once the window is up.
constexpr UINT kOpenStartFileMessage = WM_APP + 0x7D;

// The frame of the window the record's outer size is given for, and the
// room kept to the right of and below the outermost control.
constexpr int kFrameSide = 4, kFrameTop = 30, kFrameBottom = 4, kClientMargin = 4;

std::string utf8Name(const std::string& gbk) {
    return text::encode(text::decode(gbk, text::Encoding::Gbk), text::Encoding::Utf8);
}

// The client size: the record's outer size less the frame, grown where a
// control would not fit.
SIZE clientSizeFor(const image::Window& window) {
    int width = window.elements[0].width - 2 * kFrameSide;
    int height = window.elements[0].height - kFrameTop - kFrameBottom;
    for (size_t i = 1; i < window.elements.size(); ++i) {
        const image::Element& e = window.elements[i];
        if (!e.visible()) continue;
        width = std::max(width, e.left + e.width + kClientMargin);
        height = std::max(height, e.top + e.height + kClientMargin);
    }
    return SIZE{std::max(width, 1), std::max(height, 1)};
}

// The shift state handed along with mouse and key events: 1 Ctrl, 2 Shift, 4 Alt.
int32_t shiftState() {
    return (GetKeyState(VK_CONTROL) < 0 ? 1 : 0) | (GetKeyState(VK_SHIFT) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

// The icon of the window record's ICO file nearest `size` pixels.
HICON iconFromIco(const std::vector<uint8_t>& ico, int size) {
    if (ico.size() < 6) return nullptr;
    const unsigned count = ico[4] | ico[5] << 8;
    int best = -1, bestDistance = 1 << 30;
    for (unsigned i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const uint8_t* entry = &ico[6 + 16 * i];
        const int w = entry[0] ? entry[0] : 256;
        if (std::abs(w - size) < bestDistance) {
            bestDistance = std::abs(w - size);
            best = int(i);
        }
    }
    if (best < 0) return nullptr;
    const uint8_t* entry = &ico[6 + 16 * size_t(best)];
    const uint32_t bytes = entry[8] | entry[9] << 8 | entry[10] << 16 | uint32_t(entry[11]) << 24;
    const uint32_t offset = entry[12] | entry[13] << 8 | entry[14] << 16 | uint32_t(entry[15]) << 24;
    if (offset > ico.size() || bytes > ico.size() - offset) return nullptr;
    return CreateIconFromResourceEx(const_cast<uint8_t*>(&ico[offset]), bytes, TRUE, 0x00030000, size, size,
                                    LR_DEFAULTCOLOR);
}

Win32Backend* gBackend = nullptr;  // the one window system of the process

}  // namespace

struct Win32Backend::LoadedWindow : BuiltWindow<Control> {
    HWND window = nullptr;
    HBRUSH background = nullptr;
};

Win32Backend::Win32Backend() = default;

Win32Backend::~Win32Backend() {
    for (auto& [id, w] : windows_) {
        if (w->window) DestroyWindow(w->window);
    }
}

void Win32Backend::fail(const std::string& message) { fatalError(message); }

int32_t Win32Backend::loadWindow(uint32_t windowId) {
    gBackend = this;
    if (LoadedWindow* open = windows_.find(windowId)) {
        ShowWindow(open->window, SW_SHOW);
        SetForegroundWindow(open->window);
        return 1;
    }
    const LoadedProgram* program = loadedProgram();
    if (!program) fatalError("loading window " + hex32(windowId) + ": no program is loaded");
    dispatcher_.setCode(program->code, program->codeSize);
    if (!record_) {
        libraries_.assign(loadedLibraryCount(), nullptr);
        for (uint32_t i = 1; i < libraries_.size(); ++i) libraries_[i] = loadedLibrary(i);
    }
    const auto [rw, selfElement, settings] = windowToBuild(record_, program->form, windowId);
    const image::Element& self = *selfElement;

    static const bool ready = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = mainWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kMainWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    if (!ready) {
        fatalError("the main window's class cannot be registered (error " + std::to_string(GetLastError()) + ")");
    }
    if (!librariesAttached_) {
        librariesAttached_ = true;
        attachWindowing<Windowing>(libraries_, kWindowingAbi, static_cast<ControlHost*>(this));
    }

    auto w = std::make_unique<LoadedWindow>();
    w->start(windowId, *rw);
    COLORREF background;
    if (colourFromRecord(settings.backgroundColour, background)) w->background = CreateSolidBrush(background);

    // A fixed size: caption, system menu, minimise and close, no maximise.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const SIZE client = clientSizeFor(*rw);
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    const std::u16string caption = text::decode(settings.caption, text::Encoding::Gbk);
    LoadedWindow& loaded = windows_.add(std::move(w));
    loaded.window = CreateWindowExW(0, kMainWindowClass, wide(caption), style, self.left, self.top,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), &loaded);
    if (!loaded.window) fatalError("the main window cannot be made (error " + std::to_string(GetLastError()) + ")");
    if (!settings.icon.empty()) {
        HICON big = iconFromIco(settings.icon, GetSystemMetrics(SM_CXICON));
        HICON small = iconFromIco(settings.icon, GetSystemMetrics(SM_CXSMICON));
        if (!big) std::fprintf(stderr, "vexrun: the window icon cannot be shown\n");
        SendMessageW(loaded.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        SendMessageW(loaded.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));
    }
    EnableWindow(loaded.window, !self.disabled());

    HWND previous = HWND_TOP;
    std::vector<HWND> labels;
    for (size_t i = 1; i < rw->elements.size(); ++i) {
        const image::Element& e = rw->elements[i];
        Control& c = loaded.make<Windowing>(utf8Name(e.name), builtinKind(e.kind), libraries_,
                                            ControlContext{this, windowId, &e, loaded.window});
        HWND child = c.window();
        if (!child) continue;
        byWindow_[child] = &c;
        LONG_PTR childStyle = GetWindowLongPtrW(child, GWL_STYLE);
        childStyle = e.tabStop() ? (childStyle | WS_TABSTOP) : (childStyle & ~LONG_PTR(WS_TABSTOP));
        SetWindowLongPtrW(child, GWL_STYLE, childStyle);
        // A label stored as disabled keeps its colours: it takes no input anyway.
        if (e.kind != vx::kKindLabel) EnableWindow(child, !e.disabled());
        if (e.kind == vx::kKindLabel && !e.tabStop()) labels.push_back(child);
        if (e.visible()) ShowWindow(child, SW_SHOWNA);
        // Record order is tab order; an earlier element lies above a later one.
        SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
        const bool dbl = image::handlerFor(e, vx::kEventDoubleClicked).has_value();
        const bool keys = image::handlerFor(e, vx::kEventKeyPressed).has_value();
        if (dbl || keys) {
            SetWindowSubclass(child, commonEventsProc, kCommonEventsSubclass, DWORD_PTR(&e));
        }
    }
    // A label paints its whole rectangle, where the toolkit on Linux paints only
    // its text: one that reaches into a box (源4/4 is 3 pixels wider than its
    // row's others) would hide the box's border. Labels lie beneath the other
    // controls, clipped by them; only those that are no tab stops, so the tab
    // order stays.
    for (HWND label : labels) {
        SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | WS_CLIPSIBLINGS);
        SetWindowPos(label, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (self.visible()) {
        ShowWindow(loaded.window, SW_SHOW);
        UpdateWindow(loaded.window);
    }
    raiseEvent(windowId, self.id, vx::kEventCreated, EventArgs::none());
    // Before the driver's script starts.
    if (!startFile_.empty()) PostMessageW(loaded.window, kOpenStartFileMessage, 0, 0);
    if (ready_ && !readyPosted_) {
        readyPosted_ = true;
        PostMessageW(loaded.window, kDriverReadyMessage, 0, 0);
    }
    if (!screenshotTaken_ && !environmentScreenshotPath().empty()) {
        screenshotTaken_ = true;
        SetTimer(loaded.window, kScreenshotTimer, kScreenshotDelayMs, nullptr);
    }
    return 1;
}

std::wstring Win32Backend::environmentScreenshotPath() {
    const DWORD n = GetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", nullptr, 0);
    if (n == 0) return {};
    std::wstring path(n, L'\0');
    path.resize(GetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", path.data(), n));
    return path;
}

// The window as it shows, frame included, copied from its window DC
// (PrintWindow gives only the background under Wine).
void Win32Backend::saveScreenshot(HWND top) {
    if (!writeScreenshot(top, environmentScreenshotPath())) {
        std::fprintf(stderr, "vexrun: cannot save the window's picture\n");
    }
}

bool Win32Backend::writeScreenshot(HWND top, const std::wstring& path) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r{};
    GetWindowRect(top, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetWindowDC(top);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; px && i < size_t(width) * size_t(height); ++i) {
        rgb[3 * i] = px[4 * i + 2];
        rgb[3 * i + 1] = px[4 * i + 1];
        rgb[3 * i + 2] = px[4 * i];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(top, screen);
    return writePng(path, width, height, rgb);
}

Control* Win32Backend::controlOfWindow(HWND child) const {
    auto it = byWindow_.find(child);
    return it == byWindow_.end() ? nullptr : it->second;
}

LRESULT CALLBACK Win32Backend::mainWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* w = reinterpret_cast<LoadedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!w || !gBackend) return DefWindowProcW(window, message, wp, lp);
    if (!w->window) w->window = window;
    // Nothing may unwind into the window system's frames.
    try {
        return gBackend->mainWindowMessage(*w, window, message, wp, lp);
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
            Control* c = controlOfWindow(reinterpret_cast<HWND>(lp));
            const ControlColours colours = c ? c->colours() : ControlColours{};
            HDC dc = reinterpret_cast<HDC>(wp);
            if (colours.hasText) SetTextColor(dc, colours.text);
            COLORREF back = GetSysColor(message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE);
            if (colours.hasBackground) {
                back = colours.background;
            } else if (message != WM_CTLCOLOREDIT && w.background) {
                LOGBRUSH lb{};
                GetObjectW(w.background, sizeof lb, &lb);
                back = lb.lbColor;
            }
            // A disabled edit box asks as a static and keeps its own background;
            // a read-only one is a label, on the window's.
            if (message == WM_CTLCOLORSTATIC && c && !colours.hasBackground) {
                const HWND child = reinterpret_cast<HWND>(lp);
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
                saveScreenshot(w.window);
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

LRESULT CALLBACK Win32Backend::commonEventsProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR,
                                                DWORD_PTR data) {
    const auto& e = *reinterpret_cast<const image::Element*>(data);
    if (gBackend && IsWindowEnabled(window)) {
        try {
            for (auto& [id, w] : gBackend->windows_) {
                if (GetParent(window) != w->window) continue;
                if (message == WM_LBUTTONDBLCLK && image::handlerFor(e, vx::kEventDoubleClicked)) {
                    gBackend->raiseEvent(id, e.id, vx::kEventDoubleClicked,
                                         EventArgs::integers({int16_t(LOWORD(lp)), int16_t(HIWORD(lp)),
                                                              shiftState()}));
                } else if (message == WM_KEYDOWN && image::handlerFor(e, vx::kEventKeyPressed)) {
                    gBackend->raiseEvent(id, e.id, vx::kEventKeyPressed,
                                         EventArgs::integers({int32_t(wp), shiftState()}));
                }
            }
        } catch (...) {
            fatalError("the window layer failed in an event of a control");
        }
    }
    return DefSubclassProc(window, message, wp, lp);
}

void Win32Backend::closeRequested(LoadedWindow& w) {
    if (w.goingAway) return;  // its handler is on its way
    w.goingAway = true;
    HWND top = w.window;
    // Once the handler has returned (normally it ends the process first),
    // the window closes and the message loop ends.
    auto closeAndQuit = [top] {
        DestroyWindow(top);
        PostQuitMessage(0);
    };
    auto handler = image::handlerFor(w.record->elements[0], vx::kEventGoingAway);
    if (!handler) {
        closeAndQuit();
        return;
    }
    dispatcher_.raise(*handler, EventArgs::none(), closeAndQuit);
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
            saveFromKeyboard(msg.hwnd);
            continue;
        }
        if (!enterOrEscape && top && controlOfWindow(msg.hwnd) && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

uint64_t Win32Backend::getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) {
    return windows_.getProperty(windowId, controlId, property);
}

void Win32Backend::setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) {
    windows_.setProperty(windowId, controlId, property, value);
}

std::string Win32Backend::clipboardText() {
    // The clipboard's text in the program's own code page.
    HWND owner = windows_.empty() ? nullptr : windows_.first()->window;
    return text::encode(clipboardUnicodeText(owner), text::Encoding::Gbk);
}

// The program's button and icon bits are the Windows ones, and so are the
// values of the buttons.
int32_t Win32Backend::messageBox(std::string_view message, int32_t buttons, std::string_view caption) {
    if (headless_) {
        messages_.emplace_back(message);
        return IDOK;
    }
    HWND owner = nullptr;
    for (auto& [id, w] : windows_) {
        if (w->window) owner = w->window;
    }
    std::u16string title = text::decode(caption);
    if (title.empty() && owner) title = windowText(owner);
    return MessageBoxW(owner, wide(text::decode(message)), wide(title), UINT(buttons) & 0xFFu);
}

// A window handle's value fits 32 bits on 64-bit Windows; the program keeps it so.
int32_t Win32Backend::windowHandle(uint32_t windowId, uint32_t controlId) {
    LoadedWindow& w = windows_.window(windowId, "window handle of a control");
    HWND h = controlId == 0 || controlId == w.record->elements[0].id
                 ? w.window
                 : windows_.controlOf(windowId, controlId, "window handle of a control").window();
    return int32_t(reinterpret_cast<intptr_t>(h));
}

HWND Win32Backend::windowForHandle(int32_t handle) const {
    for (const auto& [child, c] : byWindow_) {
        if (int32_t(reinterpret_cast<intptr_t>(child)) == handle) return child;
    }
    for (const auto& [id, w] : windows_) {
        if (w->window && int32_t(reinterpret_cast<intptr_t>(w->window)) == handle) return w->window;
    }
    return nullptr;
}

std::vector<std::string> Win32Backend::takeMessages() { return std::exchange(messages_, {}); }

HWND Win32Backend::mainWindow() const { return windows_.empty() ? nullptr : windows_.first()->window; }

Control* Win32Backend::controlByName(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->controls[index].get() : nullptr;
}

std::string Win32Backend::kindOf(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->kindNames[index] : std::string();
}

bool Win32Backend::isEnabled(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    const Control* c = w ? w->controls[index].get() : nullptr;
    if (!c || !c->window()) return false;
    const image::Element& e = w->record->elements[index];
    if (e.kind == vx::kKindLabel) return !e.disabled();
    return IsWindowEnabled(c->window()) != 0;
}

bool Win32Backend::saveShot(const std::wstring& path) {
    HWND top = mainWindow();
    return top && writeScreenshot(top, path);
}

void Win32Backend::shutdown() {
    for (auto& [id, w] : windows_) {
        if (w->window) ShowWindow(w->window, SW_HIDE);
    }
}

void Win32Backend::saveFromKeyboard(HWND) {
    for (auto& [id, w] : windows_) {
        for (auto& c : w->controls) {
            if (c && c->saveAs()) return;
        }
    }
}

void Win32Backend::dropZoneMade(uint32_t windowId, uint32_t dropTargetId, HWND box) {
    zones_.made(windowId, dropTargetId, box);
}

bool Win32Backend::isDropZone(HWND box) const { return zones_.contains(box); }

void Win32Backend::fileDropped(uint32_t windowId, uint32_t dropTargetId, HWND box, std::string path) {
    DropZones<HWND>::take(
        windowId, dropTargetId, box, std::move(path),
        [this](uint32_t w, uint32_t e, int32_t event, EventArgs args) { raiseEvent(w, e, event, std::move(args)); },
        [this](const std::string& text) { showMessage(text); });
}

std::string Win32Backend::askSavePath(const std::string& proposed) {
    std::string path;
    if (headless_) {
        path = saveAnswer_.empty() ? proposed : saveAnswer_;
    } else {
        std::u16string file = text::decode(proposed, text::Encoding::Utf8);
        std::u16string folder;
        if (const size_t cut = file.find_last_of(u"\\/"); cut != std::u16string::npos) {
            folder = file.substr(0, cut);
            file = file.substr(cut + 1);
        }
        std::u16string buffer = file;
        buffer.resize(std::max<size_t>(buffer.size() + 1, 32768), u'\0');
        static const char16_t kFilter[] = u"字幕文件 (*.srt;*.ass;*.ssa;*.vtt;*.sub;*.txt)\0*.srt;*.ass;*.ssa;*.vtt;*.sub;*.txt\0所有文件 (*.*)\0*.*\0";
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = mainWindow();
        dialog.lpstrFilter = reinterpret_cast<const wchar_t*>(kFilter);
        dialog.lpstrFile = reinterpret_cast<wchar_t*>(buffer.data());
        dialog.nMaxFile = DWORD(buffer.size());
        dialog.lpstrInitialDir = folder.empty() ? nullptr : wide(folder);
        dialog.lpstrTitle = L"另存为";
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_EXPLORER;
        if (!GetSaveFileNameW(&dialog)) return {};
        buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
        path = text::encode(buffer, text::Encoding::Utf8);
    }
    lastSaved_ = path;
    return path;
}

void Win32Backend::raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) {
    if (auto handler = windows_.handlerFor(windowId, elementId, event)) dispatcher_.raise(*handler, std::move(args));
}

}  // namespace vexrun::win32
