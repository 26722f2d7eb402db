// The kernel commands of slot 3, dispatched by their offset
// (vx::KernelCommand). Rules shared by all of them:
//  - positions are 1-based; a find that finds nothing gives -1, and so does a
//    find for an empty search text or from a start outside 1..length;
//  - a forward find from start p searches from p on (omitted: from 1); a
//    backward find from p finds the last occurrence beginning at or before p
//    (omitted: the end);
//  - a missing text or byte set (address 0 or the argument omitted) behaves as
//    empty; where a text is expected a byte set is accepted and vice versa;
//  - every text, byte set and list returned is a fresh kernel block; the
//    arguments are never modified;
//  - "to integer" skips leading blanks, takes an optional sign and the digits
//    after it and stops at the first other character; the number wraps modulo
//    2^32 (the low 32 bits, as everywhere in the program); a double is
//    truncated toward zero keeping its low 32 bits (NaN and out of range: 0);
//  - "to text" of a double is the shortest decimal that reads back as the same
//    double, without exponent for 1e-6 <= |x| < 1e21 (and "0" for both zeros);
//  - "split" keeps empty fields, a max count above 0 drops the fields past it,
//    and an empty text gives one empty field; the separator defaults to ",".
// An unknown offset or an argument of the wrong type is a run-time fault.
#pragma once

#include <stdint.h>

#include "runtime/vexrun_interface.h"

namespace vexrun {

uint64_t callKernelCommand(uint32_t offset, const vx::ArgListHeader* args) noexcept;

// The command's name for messages ("find text"); nullptr for an unknown offset.
const char* kernelCommandName(uint32_t offset) noexcept;

}  // namespace vexrun
