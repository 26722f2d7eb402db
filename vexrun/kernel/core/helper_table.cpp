// The 13 helper slots and the two places the table lives.
#include "vexrun/kernel/core/helper_table.h"

#include <string.h>
#include <sys/mman.h>

#include <string>

#include "vexrun/kernel/core/dll_commands.h"
#include "vexrun/kernel/core/kernel_commands.h"
#include "vexrun/kernel/core/memory.h"
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

[[noreturn]] void slotReportError(int32_t code) { reportRuntimeError(code); }
uint64_t slotCallDll(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    return callDllCommand(index, a0, a1, a2);
}
uint64_t slotCallLibrary(uint32_t libraryIndex, uint32_t commandTimes4, const vx::ArgListHeader* args) {
    return callLibraryCommand(libraryIndex, commandTimes4, args);
}
uint64_t slotCallKernel(uint32_t offset, const vx::ArgListHeader* args) { return callKernelCommand(offset, args); }
uint64_t slotGetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t) {
    return windowSystem("getting a control property").getProperty(windowId, controlId, property);
}
void slotSetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t, uint32_t value,
                     uint32_t high) {
    windowSystem("setting a control property")
        .setProperty(windowId, controlId, property, (static_cast<uint64_t>(high) << 32) | value);
}
void* slotAllocate(uint32_t bytes) { return allocateBlock(bytes); }
void* slotReallocate(void* block, uint32_t bytes) { return reallocateBlock(block, bytes); }
void slotFree(void* block) { freeBlock(block); }
[[noreturn]] void slotEndProcess(int32_t code) { endProcess(code); }
int32_t slotRunMessageLoop(int32_t) { return windowSystem("the message loop").runMessageLoop(); }
int32_t slotLoadWindow(uint32_t windowId) { return windowSystem("loading a window").loadWindow(windowId); }
uint64_t slotService(uint32_t number, uint64_t a, uint64_t b) { return callService(number, a, b); }

constexpr vx::HelperTable kTable = {
    slotReportError, slotCallDll,    slotCallLibrary, slotCallKernel,     slotGetProperty,
    slotSetProperty, slotAllocate,   slotReallocate,  slotFree,           slotEndProcess,
    slotRunMessageLoop, slotLoadWindow, slotService,
};

const vx::HelperTable* placeBelow2GiB() {
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (page == MAP_FAILED) fatalError("cannot map the helper table below 2 GiB", kExitLoadFailure);
    memcpy(page, &kTable, sizeof kTable);
    mprotect(page, 4096, PROT_READ);
    return static_cast<const vx::HelperTable*>(page);
}

}  // namespace

const vx::HelperTable* helperTable() noexcept {
    static const vx::HelperTable* table = placeBelow2GiB();
    return table;
}

const vx::HelperTable* hostHelperTable() noexcept { return &kTable; }

}  // namespace vexrun
