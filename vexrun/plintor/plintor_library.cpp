// The UI base library "plintor": it provides the masked edit box (kind 9).
// It has no commands of its own that the program calls.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/windowing.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/plintor/masked_edit_box.h"

namespace {

constexpr uint32_t kMaskedEditBoxKind = vx::kindNumber(vx::kKindMaskedEditBox);

uint64_t plintorCommand(uint32_t, const vx::ArgListHeader*) { return 0; }

void attach(vexrun::ControlHost*) {}

const vexrun::ControlKind kKinds[] = {
    {kMaskedEditBoxKind, "masked edit box", &plintor::MaskedEditControl::create},
};

const vexrun::Windowing kWindowing = {vexrun::kWindowingAbi, kKinds, 1, &attach};

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "plintor", 0, &plintorCommand, &kWindowing};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
