// The runtime helper table handed to the program.
#pragma once

#include "runtime/vexrun_interface.h"

namespace vexrun {

// The table the image's code jumps through: mapped below 2 GiB (MAP_32BIT),
// read-only once filled; made on first use.
const vx::HelperTable* helperTable() noexcept;

// The same functions in ordinary memory, for hosted unit tests of
// program-side code (prog::useHelperTable(vexrun::hostHelperTable())).
// The window slots (4, 5, 10, 11) go to the installed GuiBackend; without one
// they report that no window system is available and end the program.
const vx::HelperTable* hostHelperTable() noexcept;

}  // namespace vexrun
