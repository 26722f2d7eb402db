// Runtime services (slot 12).
//   2  make a list variable writable for growth (element width, address of
//      the variable): a variable holding 0 gets a fresh empty list (1, 0);
//      any other block is one of ours and already writable.
//   3  register the exit routine (its code address).
// Any other number is a run-time fault.
#pragma once

#include <stdint.h>

namespace vexrun {

uint64_t callService(uint32_t number, uint64_t a, uint64_t b) noexcept;

}  // namespace vexrun
