// Ending the program by the runtime's own path (slot 9) and the exit routine
// that service 3 registers.
#pragma once

#include <stdint.h>

#include "runtime/vexrun_interface.h"

namespace vexrun {

using ExitRoutine = vx::ImageRoutine;

// Service 3. A later registration replaces an earlier one.
void registerExitRoutine(ExitRoutine routine) noexcept;
ExitRoutine registeredExitRoutine() noexcept;

// Slot 9: runs the exit routine once, then GuiBackend::shutdown; when the
// environment variable VEXRUN_REPORT_BLOCKS is set, prints
// "vexrun: live blocks at exit: N" on standard error; flushes stdio and ends
// the process with `code` (-1 becomes 255).
[[noreturn]] void endProcess(int32_t code) noexcept;

}  // namespace vexrun
