// What vexrun.vxr exports on Windows: the launcher's ObtainEntryHook.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/support_library.h"

VEXRUN_EXPORT vx::RuntimeEntry ObtainEntryHook(int32_t selector) {
    if (selector != vx::kEntryHookSelector) return nullptr;
    return &vexrun::runtimeEntry;
}
