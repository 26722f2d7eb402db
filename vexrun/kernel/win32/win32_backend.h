// The kernel library's window system on Win32 with native controls: builds
// the windows of the window record, serves the control properties, the
// message box, the clipboard and window handles, and calls the bound
// handlers. Texts go through the wide (W) calls with our own GBK table.
// Its main windows' messages and the message loop are in
// message_routing.cpp, what it offers the headless driver in
// driver_service.cpp.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/window_record.h"
#include "vexrun/kernel/core/drop_zones.h"
#include "vexrun/kernel/core/event_dispatcher.h"
#include "vexrun/kernel/core/window_table.h"
#include "vexrun/kernel/gui_backend.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/kernel/win32/control_colours.h"
#include "vexrun/kernel/win32/driver_access.h"
#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

class Win32Backend final : public GuiBackend, public ControlHost, public DriverAccess {
public:
    Win32Backend();
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    // GuiBackend
    int32_t loadWindow(uint32_t windowId) override;
    int32_t runMessageLoop() override;
    uint64_t getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) override;
    void setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) override;
    std::string clipboardText() override;
    int32_t messageBox(std::string_view text, int32_t buttons, std::string_view caption) override;
    int32_t windowHandle(uint32_t windowId, uint32_t controlId) override;
    void shutdown() override;

    // ControlHost
    void raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) override;
    HWND windowForHandle(int32_t handle) const override;
    [[noreturn]] void fail(const std::string& message) override;
    void dropZoneMade(uint32_t windowId, uint32_t dropTargetId, HWND box) override;
    bool isDropZone(HWND box) const override;
    bool isInputBox(HWND box) const override { return zones_.isFirst(box); }
    void fileDropped(uint32_t windowId, uint32_t dropTargetId, HWND box, std::string path) override;
    std::string askSavePath(const std::string& proposed) override;
    void showMessage(std::string_view text) override { messageBox(text, MB_OK, {}); }
    bool runWithProgress(const ProgressBoxTexts& box, ProgressWork& work) override;
    void* newTextList(std::span<const std::string_view> texts) override;

    // DriverAccess
    void setHeadless(bool headless) override { headless_ = headless; }
    std::vector<std::string> takeMessages() override;
    void setReadyCallback(void (*ready)()) override { ready_ = ready; }
    void setStartFile(std::string path) override { startFile_ = std::move(path); }
    void setSaveAnswer(std::string path) override { saveAnswer_ = std::move(path); }
    std::string lastSavedPath() const override { return lastSaved_; }
    HWND mainWindow() const override;
    Control* controlByName(std::string_view name) const override;
    std::string kindOf(std::string_view name) const override;
    bool isEnabled(std::string_view name) const override;
    bool saveShot(const std::wstring& path) override;
    void cancelNextProgress(int afterMs, int atPercent) override { cancelPlan_ = {afterMs, atPercent}; }
    std::vector<ProgressBoxRecord> takeProgressBoxes() override;

private:
    // A window built: its controls (of the base), its top-level window and
    // the brush of its background.
    struct LoadedWindow : BuiltWindow<Control> {
        HWND window = nullptr;
        HBRUSH background = nullptr;  // the record's colour, or nullptr for the system's
    };

    // The one window system of the process, for the window procedure.
    static inline Win32Backend* current_ = nullptr;

    // What a main window is sent once it is up: the timer of its picture, the
    // headless driver's call, the file the program was started with.
    static constexpr UINT_PTR kScreenshotTimer = 1;
    static constexpr UINT kScreenshotDelayMs = 300;
    static constexpr UINT kDriverReadyMessage = WM_APP + 0x7E;
    static constexpr UINT kOpenStartFileMessage = WM_APP + 0x7D;

    Control* controlOfWindow(HWND child) const;
    void placeControls(LoadedWindow& w);
    void closeRequested(LoadedWindow& w);
    void saveFromKeyboard();
    LRESULT mainWindowMessage(LoadedWindow& w, HWND window, UINT message, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp);

    std::optional<image::WindowRecord> record_;
    std::vector<const SupportLibrary*> libraries_;  // by library-table position
    WindowTable<LoadedWindow, Control> windows_;
    std::map<HWND, Control*> byWindow_;
    ControlColouring colouring_;
    EventDispatcher dispatcher_;
    bool librariesAttached_ = false;
    bool screenshotTaken_ = false;
    // The headless driver's: message boxes kept rather than shown, and its
    // call once the window is up.
    bool headless_ = false;
    std::vector<std::string> messages_;
    void (*ready_)() = nullptr;
    bool readyPosted_ = false;
    DropZones<HWND> zones_;
    std::string startFile_;  // opened as if dropped once the first window is up
    std::string saveAnswer_;
    std::string lastSaved_;
    ProgressCancelPlan cancelPlan_;
    std::vector<ProgressBoxRecord> progressBoxes_;
};

}  // namespace vexrun::win32
