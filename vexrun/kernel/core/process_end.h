// Ending the program by the runtime's own path (slot 9), after the exit
// routine that service 3 registers (runtime/hosted_kernel.h).
#pragma once

#include <stdint.h>

#include "runtime/hosted_kernel.h"  // ExitRoutine, registerExitRoutine, registeredExitRoutine

namespace vexrun {

// Slot 9: runs the exit routine once, then GuiBackend::shutdown; when the
// environment variable VEXRUN_REPORT_BLOCKS is set, prints
// "vexrun: live blocks at exit: N" on standard error; flushes stdio and ends
// the process with `code` (-1 becomes 255).
[[noreturn]] void endProcess(int32_t code) noexcept;

}  // namespace vexrun
