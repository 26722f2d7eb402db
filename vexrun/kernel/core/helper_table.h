// The runtime helper table handed to the program.
#pragma once

#include "runtime/hosted_kernel.h"  // hostHelperTable
#include "runtime/vexrun_interface.h"

namespace vexrun {

// The table the image's code jumps through: mapped below 2 GiB (MAP_32BIT),
// read-only once filled; made on first use.
const vx::HelperTable* helperTable() noexcept;

}  // namespace vexrun
