// One message, on standard error and in a message box when a window system is
// installed, then the end of the process.
#include "vexrun/kernel/core/runtime_errors.h"

#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {

std::atomic<bool> gReporting{false};

void writeAll(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t n = write(fd, s.data(), s.size());
        if (n <= 0) return;
        s.remove_prefix(static_cast<size_t>(n));
    }
}

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
    if (gReporting.exchange(true)) _exit(status);
    fflush(stdout);
    // Written in pieces: the report may be of memory that ran out.
    writeAll(STDERR_FILENO, "vexrun: ");
    writeAll(STDERR_FILENO, message);
    writeAll(STDERR_FILENO, "\n");
    if (GuiBackend* gui = guiBackend()) gui->messageBox(message, 0, "vexrun");
    fflush(nullptr);
    _exit(status);
}

void reportRuntimeError(int32_t code) noexcept {
    std::string message = "run-time error " + std::to_string(code) + ": ";
    message.append(runtimeErrorMeaning(code));
    fatalError(message, kExitRuntimeError);
}

}  // namespace vexrun
