// Reporting what the program or the kernel library cannot go on from.
//
// Every report is one line on standard error starting "vexrun: ", shown also
// in a message box when a window system is installed; then the process ends
// at once (no exit routine) with a fixed status:
//   kExitRuntimeError  3  a run-time error of the program (slot 0) or a fault
//                         the kernel library found while serving it (bad
//                         command, out of memory, no window system, ...)
//   kExitLoadFailure   1  the image could not be loaded (malformed image,
//                         missing support library, unknown DLL command, ...);
//                         the headless driver keeps 2 for a script line it
//                         cannot read, so the two never mix
#pragma once

#include <stdint.h>

#include <string_view>

#include "runtime/hosted_kernel.h"  // kExitRuntimeError, kExitLoadFailure

namespace vexrun {

// Slot 0: "vexrun: run-time error 4: list index below 1".
[[noreturn]] void reportRuntimeError(int32_t code) noexcept;
// The meaning of a run-time error code, as the report names it.
std::string_view runtimeErrorMeaning(int32_t code) noexcept;

// "vexrun: <message>", then exit with `status`.
[[noreturn]] void fatalError(std::string_view message, int status = kExitRuntimeError) noexcept;

}  // namespace vexrun
