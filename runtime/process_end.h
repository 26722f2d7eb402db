// Ending the own process from a second thread: the subroutine wrapper whose
// code address is handed to the thread library, the thread routine it wraps,
// and terminateProcessById over the three kernel32 DLL commands.
#pragma once

#include <stdint.h>

extern "C" {
// Saves what an outside caller expects preserved, runs terminateProcessThread
// and returns its result. Hand its address (VX_CODE_ADDR) to startThread.
int32_t vxSubroutineWrapper();
// Ends the own process: terminateProcessById with the id omitted.
int32_t terminateProcessThread();
}

namespace prog {

// Terminates the process `id` (the own process when no id is given) with exit
// code 0. True when TerminateProcess reported success. The handle is not
// closed.
bool terminateProcessById(bool idGiven, uint32_t id);
inline bool terminateProcessById() { return terminateProcessById(false, 0); }

}  // namespace prog
