// What the user copied outlives the process: before it ends, the clipboard it
// owns is handed to the desktop's clipboard manager, where one runs (on X11
// the owner of the CLIPBOARD_MANAGER selection, asked with SAVE_TARGETS as
// the freedesktop clipboard-manager convention has it). Closing the window
// ends the process at once, so the window layer does this first.
#pragma once

namespace vexrun {

// True when a clipboard manager took the clipboard within `timeoutMs`; false
// when the process owns no clipboard, no manager runs, the window system is
// not X11, or the manager did not answer in time. Serves the manager's
// requests for the contents meanwhile.
bool handClipboardToManager(int timeoutMs);

}  // namespace vexrun
