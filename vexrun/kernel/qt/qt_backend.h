// The kernel library's window system on Qt 6 Widgets: builds the windows of
// the window record, serves the control properties, the message box, the
// clipboard and window handles, and calls the bound handlers.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/window_record.h"
#include "vexrun/kernel/gui_backend.h"
#include "vexrun/kernel/qt/driver_access.h"
#include "vexrun/kernel/core/drop_zones.h"
#include "vexrun/kernel/core/event_dispatcher.h"
#include "vexrun/kernel/core/window_table.h"
#include "vexrun/kernel/qt/handle_registry.h"
#include "vexrun/kernel/qt/progress_box.h"
#include "vexrun/kernel/qt/windowing.h"
#include "vexrun/kernel/support_library.h"

class QApplication;

namespace vexrun {

class MainWindowWidget;

// What the window layer needs of the loaded program.
struct ProgramView {
    const uint8_t* code = nullptr;
    uint32_t codeSize = 0;
    std::span<const uint8_t> form;
    // By library-table position; position 0 (the kernel library) is nullptr.
    std::vector<const SupportLibrary*> libraries;
};
using ProgramSource = std::function<std::optional<ProgramView>()>;

// The program the kernel core has loaded.
std::optional<ProgramView> loadedProgramView();

class QtBackend final : public GuiBackend, public ControlHost, public DriverAccess {
public:
    explicit QtBackend(ProgramSource source = &loadedProgramView);
    ~QtBackend() override;
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;

    // The application object, made on first use with the look every window
    // of ours has (Fusion, the control font).
    static QApplication* ensureApplication();

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
    QWidget* widgetForHandle(int32_t handle) const override { return handles_.widget(handle); }
    [[noreturn]] void fail(const std::string& message) override;
    void dropZoneMade(uint32_t windowId, uint32_t dropTargetId, QWidget* box) override;
    bool isDropZone(QWidget* box) const override;
    bool isInputBox(QWidget* box) const override { return zones_.isFirst(box); }
    void fileDropped(uint32_t windowId, uint32_t dropTargetId, QWidget* box, std::string path) override;
    std::string askSavePath(const std::string& proposed) override;
    void showMessage(std::string_view text) override { messageBox(text, 0, {}); }
    bool runWithProgress(const ProgressBoxTexts& box, ProgressWork& work) override;
    void* newTextList(std::span<const std::string_view> texts) override;

    // DriverAccess
    void setHeadless(bool headless) override { headless_ = headless; }
    std::vector<std::string> takeMessages() override;
    void setReadyCallback(std::function<void()> ready) override { ready_ = std::move(ready); }
    void setStartFile(std::string path) override { startFile_ = std::move(path); }
    void setSaveAnswer(std::string path) override { saveAnswer_ = std::move(path); }
    std::string lastSavedPath() const override { return lastSaved_; }
    QWidget* windowWidget() const override;
    Control* controlByName(std::string_view name) const override;
    std::string kindOf(std::string_view name) const override;
    QString decodeForDisplay(std::string_view bytes) const override;
    void quitMessageLoop() override;
    void cancelNextProgress(int afterMs, int atPercent) override { cancelPlan_ = {afterMs, atPercent}; }
    std::vector<ProgressBoxRecord> takeProgressBoxes() override;

    // For tests: a control of a loaded window, and the handlers run so far.
    Control* control(uint32_t windowId, uint32_t controlId) const;
    uint64_t handlersRun() const { return dispatcher_.handlersRun(); }

private:
    struct LoadedWindow;

    void windowShown(LoadedWindow& w);

    bool closeRequested(LoadedWindow& w);
    void saveScreenshotWhenPainted(QWidget* window, std::string path, int attemptsLeft, std::function<void()> then);

    ProgramSource source_;
    std::optional<image::WindowRecord> record_;
    WindowTable<LoadedWindow, Control> windows_;
    HandleRegistry handles_;
    EventDispatcher dispatcher_;
    bool librariesAttached_ = false;
    bool headless_ = false;
    std::vector<std::string> messages_;
    std::function<void()> ready_;
    bool screenshotTaken_ = false;
    DropZones<QWidget*> zones_;
    std::string startFile_;  // opened as if dropped once the first window is up
    std::string saveAnswer_;
    std::string lastSaved_;
    ProgressCancelPlan cancelPlan_;
    std::vector<ProgressBoxRecord> progressBoxes_;
};

}  // namespace vexrun
