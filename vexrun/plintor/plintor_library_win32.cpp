// The UI base library "plintor" on Windows: it provides the masked edit box
// (kind 9), a subclassed EDIT control over the same mask logic as on Linux.
// It has no commands of its own that the program calls.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/kernel/win32/win32_windowing.h"
#include "vexrun/plintor/masked_edit_win32.h"

namespace {

uint64_t plintorCommand(uint32_t, const vx::ArgListHeader*) { return 0; }

void attach(vexrun::win32::ControlHost*) {}

const vexrun::win32::ControlKind kKinds[] = {
    {vx::kindNumber(vx::kKindMaskedEditBox), "masked edit box", &plintor::createMaskedEditControl},
};
const vexrun::win32::Windowing kWindowing = {vexrun::win32::kWindowingAbi, kKinds, 1, &attach};

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "plintor", 0, &plintorCommand, &kWindowing};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
