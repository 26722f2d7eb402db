// The small modal progress box of a support library's long work, with native
// Win32 controls: the work's line, a progress bar, the time left and 取消.
// The work runs on a thread of its own while the box runs a message loop of
// its own, the main window disabled under it and kept drawn.
#pragma once

#include <windows.h>

#include "vexrun/kernel/progress_work.h"

namespace vexrun::win32 {

// Runs `work` under the box, modal over `owner`; true when it ran to its end,
// false when cancelled. `plan` cancels it as a user would.
bool runUnderProgressBox(HWND owner, const ProgressBoxTexts& texts, ProgressWork& work,
                         const ProgressCancelPlan& plan, ProgressBoxRecord& record);

}  // namespace vexrun::win32
