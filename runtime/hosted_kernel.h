// What a hosted build of the program code (its unit tests, the tools) runs
// on: the kernel library's own functions, linked in directly. They belong to
// the runtime's hosted contract, so they are declared here on the program's
// side; the kernel core (vexrun/kernel/core) implements them and takes their
// declarations from this header.
#pragma once

#include <stdint.h>

#include <span>
#include <string_view>

#include "runtime/vexrun_interface.h"

namespace vexrun {

// The fixed statuses the kernel library ends a process with when it cannot
// go on (vexrun/kernel/core/runtime_errors.h says when each is used).
constexpr int kExitRuntimeError = 3;
constexpr int kExitLoadFailure = 1;

// The helper table in ordinary memory, for hosted runs of program code
// (prog::useHelperTable(vexrun::hostHelperTable())). The window slots (4, 5,
// 10, 11) go to the installed window system; without one they report that no
// window system is available and end the program.
const vx::HelperTable* hostHelperTable() noexcept;

// Kernel blocks (slots 6 to 8): blocks allocated and not yet freed, and the
// size the program last asked for, for a live block.
int64_t liveBlockCount() noexcept;
uint32_t blockSize(const void* block) noexcept;

// Fresh blocks in the program's value layouts.
char* newText(std::string_view bytes) noexcept;                // bytes + NUL
void* newByteSet(std::span<const uint8_t> bytes) noexcept;     // u32 1, u32 n, bytes
inline void* newByteSet(std::string_view bytes) noexcept {
    return newByteSet(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
// A list of fresh texts: u32 1, u32 n, then n 8-byte addresses.
void* newTextList(std::span<const std::string_view> texts) noexcept;

// The exit routine that service 3 registers; a later registration replaces
// an earlier one.
using ExitRoutine = vx::ImageRoutine;
void registerExitRoutine(ExitRoutine routine) noexcept;
ExitRoutine registeredExitRoutine() noexcept;

}  // namespace vexrun
