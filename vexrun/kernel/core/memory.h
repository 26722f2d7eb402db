// Kernel memory: the blocks behind helper slots 6, 7 and 8, and the blocks the
// kernel library hands back to the program (texts, byte sets, lists).
//
// Blocks come from malloc and may lie anywhere. Each carries a small header
// with its size and capacity; reallocating beyond the capacity grows it
// geometrically, so appending to a block a small piece at a time costs
// amortised O(1). Running out of memory reports it and ends the program
// (exit status kExitRuntimeError); no function here returns nullptr. Freeing
// or resizing a block freed before reports "a block was used after it was
// freed", and an address that never was a block its own message, before any
// memory behind the address is touched (block_registry.h).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <span>
#include <string_view>

#include "runtime/hosted_kernel.h"  // liveBlockCount, blockSize, newText, newByteSet

namespace vexrun {

// Slot 6: a fresh block of `bytes` bytes (0 is allowed).
void* allocateBlock(uint32_t bytes) noexcept;
// Slot 7: resizes a block, keeping its first min(old, new) bytes;
// reallocateBlock(nullptr, n) allocates.
void* reallocateBlock(void* block, uint32_t bytes) noexcept;
// Slot 8: releases a block; freeBlock(nullptr) does nothing.
void freeBlock(void* block) noexcept;

// How often a block had to move to a larger underlying allocation (for the
// tests of amortised growth).
uint64_t underlyingReallocationCount() noexcept;

// Views of program values; nullptr is the empty text / empty byte set.
std::string_view textView(const char* text) noexcept;
std::string_view byteSetView(const void* byteSet) noexcept;

}  // namespace vexrun
