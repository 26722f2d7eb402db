// What vexrun.vxr exports on Windows: the launcher's ObtainEntryHook, which
// also installs the Win32 window layer.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/gui_backend.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/kernel/win32/win32_backend.h"

namespace {

// Lives until the process ends (it ends by _exit, never by returning).
vexrun::win32::Win32Backend& theBackend() {
    static auto* backend = new vexrun::win32::Win32Backend();
    return *backend;
}

}  // namespace

VEXRUN_EXPORT vx::RuntimeEntry ObtainEntryHook(int32_t selector) {
    if (selector != vx::kEntryHookSelector) return nullptr;
    vexrun::setGuiBackend(&theBackend());
    // `tessaly FILE`: the window starts with the file as if it were dropped.
    const std::vector<std::string> arguments = vexrun::platform::processArguments();
    if (!arguments.empty()) theBackend().setStartFile(arguments.front());
    return &vexrun::runtimeEntry;
}

// The headless driver's way into this copy of the window layer.
VEXRUN_EXPORT vexrun::win32::DriverAccess* vexrunDriverAccess() { return &theBackend(); }
