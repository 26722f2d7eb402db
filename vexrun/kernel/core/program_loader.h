// Loading and starting a program image: check the magic, read the image,
// make the libraries of its library table available, resolve its DLL
// commands, give "var" zeroed memory below 2 GiB, apply the code's
// relocations (every result must lie below 2 GiB), make the code executable
// and call the entry routine at image + header word 15. The identifier
// groups are left as they are.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

#include "runtime/vexrun_interface.h"

namespace vexrun {

// The loaded program, for the window layer.
struct LoadedProgram {
    uint8_t* image = nullptr;
    size_t imageSize = 0;            // bytes readable from `image` on
    uint8_t* code = nullptr;         // code data: handlers lie at code + offset
    uint32_t codeSize = 0;
    std::span<const uint8_t> form;   // the window record
    const uint8_t* constData = nullptr;
    uint32_t constSize = 0;
    uint8_t* variables = nullptr;    // the "var" memory, zeroed at load
    uint32_t variablesSize = 0;
    vx::ImageRoutine entry = nullptr;  // image code
};

// nullptr while no program is loaded.
const LoadedProgram* loadedProgram() noexcept;

// Loads the image of `size` bytes in place (it is relocated where it lies and
// must lie below 2 GiB). False with one message in `error` on any fault.
bool loadProgramImage(uint8_t* image, size_t size, std::string& error);
// Calls the loaded program's entry routine; returns if it returns.
void callEntryRoutine() noexcept;
// Releases what loading took (variables, libraries, an image copy): for tests
// and the driver, which load more than one image in a process.
void unloadProgramImage() noexcept;

// Copies an image into memory below 2 GiB that is readable, writable and
// executable, then loads it from there.
bool loadProgramImageCopy(std::span<const uint8_t> bytes, std::string& error);
bool loadProgramImageFile(const std::string& path, std::string& error);

// Loads and runs; on a load fault reports "vexrun: <message>" and exits with
// kExitLoadFailure.
void runProgramImage(uint8_t* image, size_t size) noexcept;
void runProgramImageFile(const std::string& path) noexcept;

// The runtime entry that ObtainEntryHook(1000) hands out: the image lies in
// the executable's data; its extent is taken from the process's mappings.
void runtimeEntry(const uint8_t* image);

}  // namespace vexrun
