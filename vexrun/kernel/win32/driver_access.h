// What the headless driver (tessaly-drive.exe) reaches inside the Windows
// kernel library: the window and its controls by name, message boxes that do
// not block, a call once the window is up, and the window's picture.
// vexrun.vxr exports `vexrunDriverAccess`, so the driver acts on the very copy
// of the kernel library that runs the program. The counterpart of
// vexrun/kernel/qt/driver_access.h; both libraries link the C and C++
// runtimes statically over the one msvcrt heap, so this is plain C++.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "vexrun/kernel/progress_work.h"
#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

class DriverAccess {
public:
    // Message boxes record their text and give OK at once.
    virtual void setHeadless(bool headless) = 0;
    // The texts of the message boxes shown since the last call, as bytes.
    virtual std::vector<std::string> takeMessages() = 0;
    // Called on the loop thread once the window is shown and its event 0
    // handler has run.
    virtual void setReadyCallback(void (*ready)()) = 0;
    // The file the program starts with, as `tessaly FILE` gives it (the
    // driver's own arguments are not the program's).
    virtual void setStartFile(std::string path) = 0;
    // What the save dialog answers: this path, or when empty the path it
    // proposes; and the path of the last file a save wrote.
    virtual void setSaveAnswer(std::string path) = 0;
    virtual std::string lastSavedPath() const = 0;

    virtual HWND mainWindow() const = 0;
    // A control by its name as the layout writes it (UTF-8), or nullptr.
    virtual Control* controlByName(std::string_view name) const = 0;
    // The kind of that control as messages name it ("edit box", "spin
    // control", ...), or "" for no such control.
    virtual std::string kindOf(std::string_view name) const = 0;
    // Whether the control takes input as the program set it. A label is
    // never disabled as a window (it keeps its colours); it reports the state
    // its record gives it, as on Linux.
    virtual bool isEnabled(std::string_view name) const = 0;
    // A PNG of the main window as it shows; false when it cannot be written.
    virtual bool saveShot(const std::wstring& path) = 0;
    // The next progress box is cancelled as a user would, after `afterMs`
    // milliseconds or at `atPercent` percent (-1: not by that); and what the
    // progress boxes shown since the last call showed.
    virtual void cancelNextProgress(int afterMs, int atPercent) = 0;
    virtual std::vector<ProgressBoxRecord> takeProgressBoxes() = 0;

protected:
    ~DriverAccess() = default;
};

using DriverAccessEntry = DriverAccess* (*)();
constexpr const char* kDriverAccessExport = "vexrunDriverAccess";

}  // namespace vexrun::win32
