// What the headless driver (tessaly-drive) reaches inside the kernel library:
// the window and its controls by name, message boxes that do not block, and a
// call once the window is up. vexrun.vxr exports `vexrunDriverAccess`, so the
// driver uses the very copy of the kernel library that runs the program.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "vexrun/kernel/qt/progress_box.h"
#include "vexrun/kernel/qt/windowing.h"

class QWidget;

namespace vexrun {

class DriverAccess {
public:
    // Message boxes record their text and give OK at once.
    virtual void setHeadless(bool headless) = 0;
    // The texts of the message boxes shown since the last call, as bytes.
    virtual std::vector<std::string> takeMessages() = 0;
    // Called on the loop thread once the window is shown and its event 0
    // handler has run.
    virtual void setReadyCallback(std::function<void()> ready) = 0;
    // The file the program starts with, as `tessaly FILE` gives it (the
    // driver's own arguments are not the program's).
    virtual void setStartFile(std::string path) = 0;
    // What the save dialog answers: this path, or when empty the path it
    // proposes; and the path of the last file a save wrote.
    virtual void setSaveAnswer(std::string path) = 0;
    virtual std::string lastSavedPath() const = 0;

    virtual QWidget* windowWidget() const = 0;
    // A control by its name as the layout writes it (UTF-8), or nullptr.
    virtual Control* controlByName(std::string_view name) const = 0;
    // The kind of that control as messages name it ("edit box", "spin
    // control", ...), or "" for no such control.
    virtual std::string kindOf(std::string_view name) const = 0;
    // The texts the way the controls show them (UTF-8 or GBK bytes).
    virtual QString decodeForDisplay(std::string_view bytes) const = 0;
    // Ends the message loop: the program then ends by the runtime's own path.
    virtual void quitMessageLoop() = 0;
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

}  // namespace vexrun
