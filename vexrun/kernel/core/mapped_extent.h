// How many bytes from an address on are mapped readable in this process, from
// /proc/self/maps: the runtime entry gets only the image's address, and the
// image reader must not read past what is there.
#pragma once

#include <stddef.h>

namespace vexrun {

// 0 when the address is not in a readable mapping. Adjacent readable
// mappings count as one.
size_t readableExtent(const void* address) noexcept;

}  // namespace vexrun
