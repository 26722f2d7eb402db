// The themed-UI library "stylon" on Windows: command 0 (integer) gives 0.
// Native controls already take the system's visual style, so there is no
// look of our own to apply.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

uint64_t stylonCommand(uint32_t, const vx::ArgListHeader*) { return 0; }

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "stylon", 1, &stylonCommand, nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
