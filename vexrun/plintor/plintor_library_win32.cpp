// The UI base library "plintor" on Windows. It has no commands of its own
// that the program calls; its masked edit box (kind 9) comes with the
// Win32 window layer, over the same mask logic (edit_mask.h).
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

uint64_t plintorCommand(uint32_t, const vx::ArgListHeader*) { return 0; }

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "plintor", 0, &plintorCommand, nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
