// The 13 helper slots and the two places the table lives.
#include "vexrun/kernel/core/helper_table.h"

#include <string.h>

#include <string>

#include "vexrun/kernel/core/dll_commands.h"
#include "vexrun/kernel/core/kernel_commands.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/process_end.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/services.h"
#include "vexrun/kernel/core/support_libraries.h"
#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {

GuiBackend& windowSystem(const char* slot) {
    GuiBackend* gui = guiBackend();
    if (!gui) fatalError(std::string(slot) + " needs a window system, and none is installed");
    return *gui;
}

// The window slots' work, in the platform's own convention: nothing leaves
// them (the image's code has no unwind tables).
uint64_t getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) noexcept {
    return windowSystem("getting a control property").getProperty(windowId, controlId, property);
}
void setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) noexcept {
    windowSystem("setting a control property").setProperty(windowId, controlId, property, value);
}
int32_t runMessageLoop() noexcept { return windowSystem("the message loop").runMessageLoop(); }
int32_t loadWindow(uint32_t windowId) noexcept { return windowSystem("loading a window").loadWindow(windowId); }

// The slots, called by the image's code in the System V convention. Each
// only forwards to a function that lets no exception out, so it needs no
// exception handling of its own (on Windows this file is compiled without).
[[noreturn]] VX_IMAGE_CALL void slotReportError(int32_t code) { reportRuntimeError(code); }
VX_IMAGE_CALL uint64_t slotCallDll(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    return callDllCommand(index, a0, a1, a2);
}
VX_IMAGE_CALL uint64_t slotCallLibrary(uint32_t libraryIndex, uint32_t commandTimes4, const vx::ArgListHeader* args) {
    return callLibraryCommand(libraryIndex, commandTimes4, args);
}
VX_IMAGE_CALL uint64_t slotCallKernel(uint32_t offset, const vx::ArgListHeader* args) {
    return callKernelCommand(offset, args);
}
VX_IMAGE_CALL uint64_t slotGetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t) {
    return getProperty(windowId, controlId, property);
}
VX_IMAGE_CALL void slotSetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t, uint32_t value,
                                   uint32_t high) {
    setProperty(windowId, controlId, property, (static_cast<uint64_t>(high) << 32) | value);
}
VX_IMAGE_CALL void* slotAllocate(uint32_t bytes) { return allocateBlock(bytes); }
VX_IMAGE_CALL void* slotReallocate(void* block, uint32_t bytes) { return reallocateBlock(block, bytes); }
VX_IMAGE_CALL void slotFree(void* block) { freeBlock(block); }
[[noreturn]] VX_IMAGE_CALL void slotEndProcess(int32_t code) { endProcess(code); }
VX_IMAGE_CALL int32_t slotRunMessageLoop(int32_t) { return runMessageLoop(); }
VX_IMAGE_CALL int32_t slotLoadWindow(uint32_t windowId) { return loadWindow(windowId); }
VX_IMAGE_CALL uint64_t slotService(uint32_t number, uint64_t a, uint64_t b) { return callService(number, a, b); }

constexpr vx::HelperTable kTable = {
    slotReportError, slotCallDll,    slotCallLibrary, slotCallKernel,     slotGetProperty,
    slotSetProperty, slotAllocate,   slotReallocate,  slotFree,           slotEndProcess,
    slotRunMessageLoop, slotLoadWindow, slotService,
};

const vx::HelperTable* placeBelow2GiB() {
    std::string why;
    void* page = platform::mapBelow2GiB(4096, false, why);
    if (!page) fatalError("cannot map the helper table below 2 GiB: " + why, kExitLoadFailure);
    memcpy(page, &kTable, sizeof kTable);
    platform::protectReadOnly(page, 4096);
    return static_cast<const vx::HelperTable*>(page);
}

}  // namespace

const vx::HelperTable* helperTable() noexcept {
    static const vx::HelperTable* table = placeBelow2GiB();
    return table;
}

const vx::HelperTable* hostHelperTable() noexcept { return &kTable; }

}  // namespace vexrun
