// The drag-and-drop library "dravolt" on Windows. Command 0 (drop target
// object, window handle) makes a control a drop zone; it needs the window
// layer, which on Windows is still to come, so for now it says so and gives
// 0, as on Linux without a window system.
#include <cstdio>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

uint64_t dravoltCommand(uint32_t number, const vx::ArgListHeader*) {
    if (number != vx::kDravoltRegisterDropTarget) return 0;
    std::fprintf(stderr, "dravolt: command 0 needs the window system, which is not running\n");
    return 0;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "dravolt", 1, &dravoltCommand, nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
