// The small modal progress box of a support library's long work: the work's
// line, a bar with the share done, the time left and 取消. The work runs on a
// thread of its own; the box's own event loop keeps the window drawn.
#pragma once

#include <string>
#include <vector>

#include "vexrun/kernel/progress_work.h"

class QWidget;

namespace vexrun {

// Runs `work` under the box, modal over `parent`; true when it ran to its
// end, false when cancelled. `plan` cancels it as a user would.
bool runUnderProgressBox(QWidget* parent, const ProgressBoxTexts& texts, ProgressWork& work,
                         const ProgressCancelPlan& plan, ProgressBoxRecord& record);

}  // namespace vexrun
