// The sync library "synvox" for the Qt window layer: command 0 aligns the
// subtitle box's text to a dropped film or subtitle under a progress box
// (sync_command.h says what it takes and gives).
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/windowing.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/synvox/sync_command.h"

namespace {

vexrun::ControlHost* gHost = nullptr;

uint64_t synvoxCommand(uint32_t number, const vx::ArgListHeader* args) {
    if (number == vx::kSynvoxSync) return synvox::syncCommand(gHost, args);
    return 0;
}

void attach(vexrun::ControlHost* host) { gHost = host; }

const vexrun::Windowing kWindowing = {vexrun::kWindowingAbi, nullptr, 0, &attach};
const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "synvox", 1, &synvoxCommand, &kWindowing};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
