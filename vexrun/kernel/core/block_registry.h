// Which addresses are kernel blocks now, and which were blocks once and are
// freed: freeing or resizing a block is checked here first, without reading
// memory that may have gone back to the system.
#pragma once

#include <stdint.h>

namespace vexrun {

enum class BlockState { Unknown, Live, Freed };

// Records a fresh block at `address` (an address freed earlier may come back).
void registerLiveBlock(void* address) noexcept;
// Marks the block at `address` freed and gives its state before.
BlockState retireBlock(const void* address) noexcept;
BlockState blockState(const void* address) noexcept;

}  // namespace vexrun
