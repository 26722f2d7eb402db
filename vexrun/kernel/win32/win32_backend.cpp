#include "vexrun/kernel/win32/win32_backend.h"

#include <cstdio>
#include <utility>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/support_libraries.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/common_events.h"
#include "vexrun/kernel/win32/control_window.h"
#include "vexrun/kernel/win32/main_window.h"
#include "vexrun/kernel/win32/progress_box.h"
#include "vexrun/kernel/win32/save_dialog.h"
#include "vexrun/kernel/win32/win32_clipboard.h"
#include "vexrun/kernel/win32/win32_text.h"
#include "vexrun/kernel/win32/window_icon.h"
#include "vexrun/kernel/win32/window_picture.h"

namespace vexrun::win32 {

Win32Backend::Win32Backend() = default;

Win32Backend::~Win32Backend() {
    for (auto& [id, w] : windows_) {
        if (w->window) DestroyWindow(w->window);
    }
}

void Win32Backend::fail(const std::string& message) { fatalError(message); }

int32_t Win32Backend::loadWindow(uint32_t windowId) {
    current_ = this;
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

    registerMainWindowClass(mainWindowProc);
    if (!librariesAttached_) {
        librariesAttached_ = true;
        attachWindowing<Windowing>(libraries_, kWindowingAbi, static_cast<ControlHost*>(this));
    }

    auto w = std::make_unique<LoadedWindow>();
    w->start(windowId, *rw);
    COLORREF background;
    if (colourFromRecord(settings.backgroundColour, background)) w->background = CreateSolidBrush(background);
    LoadedWindow& loaded = windows_.add(std::move(w));
    loaded.window = createMainWindow(*rw, text::decode(settings.caption, text::Encoding::Gbk), &loaded);
    if (!settings.icon.empty()) {
        std::string error;
        if (!setWindowIcon(loaded.window, settings.icon, error)) {
            std::fprintf(stderr, "vexrun: the window icon cannot be shown: %s\n", error.c_str());
        }
    }
    EnableWindow(loaded.window, !self.disabled());
    placeControls(loaded);
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
    if (!screenshotTaken_ && !screenshotPathFromEnvironment().empty()) {
        screenshotTaken_ = true;
        SetTimer(loaded.window, kScreenshotTimer, kScreenshotDelayMs, nullptr);
    }
    return 1;
}

// The controls of the window's elements, in record order.
void Win32Backend::placeControls(LoadedWindow& w) {
    HWND previous = HWND_TOP;
    std::vector<HWND> labels;
    for (size_t i = 1; i < w.record->elements.size(); ++i) {
        const image::Element& e = w.record->elements[i];
        Control& c = w.make<Windowing>(elementName(e), builtinKind(e.kind), libraries_,
                                       ControlContext{this, w.id, &e, w.window});
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
        watchCommonEvents(child, this, w.id, e);
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
}

Control* Win32Backend::controlOfWindow(HWND child) const {
    auto it = byWindow_.find(child);
    return it == byWindow_.end() ? nullptr : it->second;
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

bool Win32Backend::runWithProgress(const ProgressBoxTexts& box, ProgressWork& work) {
    HWND owner = nullptr;
    for (auto& [id, w] : windows_) {
        if (w->window) owner = w->window;
    }
    ProgressBoxRecord record;
    const bool done = runUnderProgressBox(owner, box, work, std::exchange(cancelPlan_, {}), record);
    progressBoxes_.push_back(std::move(record));
    return done;
}

void* Win32Backend::newTextList(std::span<const std::string_view> texts) { return vexrun::newTextList(texts); }

std::vector<ProgressBoxRecord> Win32Backend::takeProgressBoxes() { return std::exchange(progressBoxes_, {}); }

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

void Win32Backend::shutdown() {
    for (auto& [id, w] : windows_) {
        if (w->window) ShowWindow(w->window, SW_HIDE);
    }
}

// Ctrl+S: the text of the box that offers a save.
void Win32Backend::saveFromKeyboard() {
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
        windowId, dropTargetId, box, zones_.isFirst(box), std::move(path),
        [this](uint32_t w, uint32_t e, int32_t event, EventArgs args) { raiseEvent(w, e, event, std::move(args)); },
        [this](const std::string& text) { showMessage(text); });
}

std::string Win32Backend::askSavePath(const std::string& proposed) {
    std::string path;
    if (headless_) {
        path = saveAnswer_.empty() ? proposed : saveAnswer_;
    } else {
        path = askSaveFileName(mainWindow(), proposed);
        if (path.empty()) return {};  // cancelled
    }
    lastSaved_ = path;
    return path;
}

void Win32Backend::raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) {
    if (auto handler = windows_.handlerFor(windowId, elementId, event)) dispatcher_.raise(*handler, std::move(args));
}

}  // namespace vexrun::win32
