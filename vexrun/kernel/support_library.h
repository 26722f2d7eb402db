// What a support library (plintor, dravolt, ulmix, stylon, Ravline) offers the
// kernel library. Each is a shared object "<name>.vxl" next to vexrun.vxr and
// exports `vexSupportLibrary`, which returns its descriptor. The kernel core
// uses `name` and `command`; `windowing` is the window layer's own part (the
// control kinds the library provides and how it is attached to the window
// system), defined by that layer.
#pragma once

#include <stdint.h>

#include "runtime/vexrun_interface.h"

namespace vexrun {

constexpr uint32_t kSupportLibraryAbi = 1;

struct SupportLibrary {
    uint32_t abi;          // kSupportLibraryAbi
    const char* name;      // as in the image's library table
    uint32_t commandCount;
    // Command `number` (slot 2 passes number x 4) with its argument list.
    uint64_t (*command)(uint32_t number, const vx::ArgListHeader* args);
    // The window layer's part; nullptr for a library without controls or
    // window-system needs.
    const void* windowing;
};

using SupportLibraryEntry = const SupportLibrary* (*)();

// How a library of ours exports a function by its C name.
#ifdef _WIN32
#define VEXRUN_EXPORT extern "C" __declspec(dllexport)
#else
#define VEXRUN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
constexpr const char* kSupportLibraryExport = "vexSupportLibrary";
constexpr const char* kSupportLibrarySuffix = ".vxl";

}  // namespace vexrun
