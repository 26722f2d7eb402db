// The libraries of the image's library table, as loaded: position 0 is the
// kernel library itself, each further one a support library
// "<directory>/<name>.vxl" whose export vexSupportLibrary gives its
// descriptor. The directory is the kernel library's own (the file holding
// this code), or VEXRUN_LIBRARY_DIR when that is set.
#pragma once

#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace vexrun {

std::string supportLibraryDirectory();

// Loads the libraries named in table order (the first must be "vexrun").
// On failure: "cannot load support library plintor: <reason>" in `error`,
// nothing stays loaded, false.
bool loadLibraries(std::span<const std::string_view> names, std::string& error);
void unloadLibraries() noexcept;

// Number of table positions loaded (0 before loading).
uint32_t loadedLibraryCount() noexcept;
// The descriptor at a table position; nullptr for the kernel (0) and out of range.
const SupportLibrary* loadedLibrary(uint32_t index) noexcept;

// Slot 2: command (commandTimes4 / 4) of the library at `libraryIndex`. A bad
// index or number is a run-time fault naming it.
uint64_t callLibraryCommand(uint32_t libraryIndex, uint32_t commandTimes4,
                            const vx::ArgListHeader* args) noexcept;

}  // namespace vexrun
