// The kernel library's window system, as the core sees it. The core (memory,
// kernel commands, the loader, the helper table) has no window code; the
// window layer of the platform (vexrun/kernel/qt on Linux,
// vexrun/kernel/win32 on Windows) implements this interface and installs
// itself before the runtime entry runs. Without a backend the window slots
// report that no window system is available and end the program.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

namespace vexrun {

class GuiBackend {
public:
    virtual ~GuiBackend() = default;

    // Slot 11: create and show a window from the window record.
    virtual int32_t loadWindow(uint32_t windowId) = 0;
    // Slot 10: run the message loop until it is told to quit.
    virtual int32_t runMessageLoop() = 0;
    // Slot 4. Texts come back as fresh kernel blocks (the caller frees them).
    virtual uint64_t getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) = 0;
    // Slot 5. `value` is the whole 64-bit value (an address for texts, copied).
    virtual void setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) = 0;

    // Kernel commands that need the window system.
    virtual std::string clipboardText() = 0;  // bytes, as the control would hold them
    virtual int32_t messageBox(std::string_view text, int32_t buttons, std::string_view caption) = 0;
    virtual int32_t windowHandle(uint32_t windowId, uint32_t controlId) = 0;

    // Called by the core once, before the process ends by the runtime's path
    // (after the exit routine ran).
    virtual void shutdown() {}
};

void setGuiBackend(GuiBackend* backend);
GuiBackend* guiBackend();

}  // namespace vexrun
