// One message, on standard error and in a message box when a window system is
// installed, then the end of the process.
#include "vexrun/kernel/core/runtime_errors.h"

#include <stdio.h>

#include <atomic>
#include <string>

#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {

std::atomic<bool> gReporting{false};

}  // namespace

std::string_view runtimeErrorMeaning(int32_t code) noexcept {
    switch (code) {
        case 1: return "list index above the element count";
        case 4: return "list index below 1";
        case 6: return "the stack changed across a DLL command";
        default: return "unknown run-time error";
    }
}

void fatalError(std::string_view message, int status) noexcept {
    // A fault while reporting (say, inside the message box) ends at once.
    if (gReporting.exchange(true)) platform::exitNow(status);
    fflush(stdout);
    // Written in pieces: the report may be of memory that ran out.
    platform::writeStandardError("vexrun: ");
    platform::writeStandardError(message);
    platform::writeStandardError("\n");
    if (GuiBackend* gui = guiBackend()) gui->messageBox(message, 0, "vexrun");
    fflush(nullptr);
    platform::exitNow(status);
}

void reportRuntimeError(int32_t code) noexcept {
    std::string message = "run-time error " + std::to_string(code) + ": ";
    message.append(runtimeErrorMeaning(code));
    fatalError(message, kExitRuntimeError);
}

}  // namespace vexrun
