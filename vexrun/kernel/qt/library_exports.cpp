// What vexrun.vxr exports: the launcher's ObtainEntryHook (which takes the
// process's first argument as the file to start with), and the headless
// driver's access to the same window layer. Everything else stays hidden.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/gui_backend.h"
#include "vexrun/kernel/qt/driver_access.h"
#include "vexrun/kernel/qt/qt_backend.h"

namespace {

// Lives until the process ends (it ends by _exit, never by returning).
vexrun::QtBackend& theBackend() {
    static auto* backend = new vexrun::QtBackend();
    return *backend;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vx::RuntimeEntry ObtainEntryHook(int32_t selector) {
    if (selector != vx::kEntryHookSelector) return nullptr;
    vexrun::setGuiBackend(&theBackend());
    // `tessaly FILE`: the window starts with the file as if it were dropped.
    const std::vector<std::string> arguments = vexrun::platform::processArguments();
    if (!arguments.empty()) theBackend().setStartFile(arguments.front());
    return &vexrun::runtimeEntry;
}

extern "C" __attribute__((visibility("default"))) vexrun::DriverAccess* vexrunDriverAccess() {
    vexrun::setGuiBackend(&theBackend());
    return &theBackend();
}
