// DLL commands (slot 1): the kernel32 functions the program declares (on
// Windows the real ones, on Linux our stand-ins, both in platform.h). At load the image's DLL name and command names (header words 24
// to 27) are resolved against this table; before any image is loaded (hosted
// tests) the commands stand in the order of vx::DllCommand.
//   GetCurrentProcessId()               -> the process id
//   OpenProcess(access, inherit, pid)   -> a handle (the pid) for an existing
//                                          process, 0 when there is none
//   TerminateProcess(handle, code)      -> for the own process: ends it at once
//                                          with `code` (no exit routine); for
//                                          another: SIGKILL, 1; 0 on failure
// (On Windows OpenProcess gives a real handle, its low 32 bits.)
#pragma once

#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

namespace vexrun {

// Resolves the image's command names (in DLL-command order) in `dllName`
// ("kernel32.dll", case-insensitive). On failure names the unknown DLL or
// function in `error`, keeps the previous resolution and returns false.
bool resolveDllCommands(std::string_view dllName, std::span<const std::string_view> functionNames,
                        std::string& error);
// Back to the default order of vx::DllCommand.
void resetDllCommands() noexcept;
uint32_t dllCommandCount() noexcept;

uint64_t callDllCommand(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) noexcept;

}  // namespace vexrun
