// The runtime's own way out: exit routine once, window system down, optional
// block report, exit status.
#include "vexrun/kernel/core/process_end.h"

#include <stdio.h>
#include <stdlib.h>

#include <atomic>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {
std::atomic<ExitRoutine> gExitRoutine{nullptr};
std::atomic<bool> gEnding{false};
}  // namespace

void registerExitRoutine(ExitRoutine routine) noexcept { gExitRoutine.store(routine); }
ExitRoutine registeredExitRoutine() noexcept { return gExitRoutine.load(); }

void endProcess(int32_t code) noexcept {
    // Only the first call runs the exit routine and the shutdown; an exit
    // routine that ends the process itself ends it with its own code.
    if (!gEnding.exchange(true)) {
        if (ExitRoutine routine = gExitRoutine.exchange(nullptr)) routine();  // image code
        if (GuiBackend* gui = guiBackend()) gui->shutdown();
        if (getenv("VEXRUN_REPORT_BLOCKS")) {
            fprintf(stderr, "vexrun: live blocks at exit: %lld\n", static_cast<long long>(liveBlockCount()));
        }
    }
    fflush(nullptr);
    platform::exitNow(code);
}

}  // namespace vexrun
