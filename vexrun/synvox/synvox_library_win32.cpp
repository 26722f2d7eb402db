// The sync library "synvox" for the Win32 window layer: command 0 aligns the
// subtitle box's text to a dropped film or subtitle under a native progress
// box (sync_command.h says what it takes and gives). Where this build reads
// no films, a film is refused with one message (window_sync.cpp).
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/kernel/win32/win32_windowing.h"
#include "vexrun/synvox/sync_command.h"

namespace {

vexrun::win32::ControlHost* gHost = nullptr;

uint64_t synvoxCommand(uint32_t number, const vx::ArgListHeader* args) {
    if (number == vx::kSynvoxSync) return synvox::syncCommand(gHost, args);
    return 0;
}

void attach(vexrun::win32::ControlHost* host) { gHost = host; }

const vexrun::win32::Windowing kWindowing = {vexrun::win32::kWindowingAbi, nullptr, 0, &attach};
const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "synvox", 1, &synvoxCommand, &kWindowing};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
