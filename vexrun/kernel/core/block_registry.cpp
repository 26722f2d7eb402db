// An open-addressing table of block addresses (linear probing), each with a
// freed bit. An address freed stays known as freed until a new block takes it,
// so a second free is told apart from an address that never was a block. When
// the table fills up with mostly freed addresses, those are dropped instead of
// growing it, so that it stays within a few times the live blocks.
#include "vexrun/kernel/core/block_registry.h"

#include <stdlib.h>

#include <atomic>

#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {
namespace {

constexpr uintptr_t kFreedBit = 1;  // blocks are 16-byte aligned: bit 0 is ours

struct Table {
    uintptr_t* slots = nullptr;  // 0: empty; otherwise address | freed bit
    uint64_t capacity = 0;       // a power of two
    uint64_t used = 0;   // entries, live or freed
    uint64_t freed = 0;  // entries with the freed bit
};

Table gTable;
std::atomic_flag gLock = ATOMIC_FLAG_INIT;

class Locked {
public:
    Locked() {
        while (gLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Locked() { gLock.clear(std::memory_order_release); }
};

uint64_t home(uintptr_t address, uint64_t capacity) {
    return ((address >> 4) * 0x9E3779B97F4A7C15ull) & (capacity - 1);
}

// The slot holding `address`, or the empty slot where it would go.
uintptr_t* find(const Table& t, uintptr_t address) {
    for (uint64_t i = home(address, t.capacity);; i = (i + 1) & (t.capacity - 1)) {
        const uintptr_t entry = t.slots[i];
        if (entry == 0 || (entry & ~kFreedBit) == address) return &t.slots[i];
    }
}

// A new table for the entries: twice the size, or the same size without the
// freed entries when they are the most.
void rebuild() {
    const bool purge = 2 * gTable.freed > gTable.used;
    Table next;
    next.capacity = gTable.capacity == 0 ? 4096 : purge ? gTable.capacity : 2 * gTable.capacity;
    next.slots = static_cast<uintptr_t*>(calloc(next.capacity, sizeof(uintptr_t)));
    if (!next.slots) {
        gLock.clear(std::memory_order_release);
        fatalError("out of memory: cannot grow the table of kernel blocks");
    }
    for (uint64_t i = 0; i < gTable.capacity; ++i) {
        const uintptr_t entry = gTable.slots[i];
        if (entry == 0 || (purge && (entry & kFreedBit))) continue;
        *find(next, entry & ~kFreedBit) = entry;
        ++next.used;
        next.freed += entry & kFreedBit;
    }
    free(gTable.slots);
    gTable = next;
}

}  // namespace

void registerLiveBlock(void* address) noexcept {
    const auto a = reinterpret_cast<uintptr_t>(address);
    Locked lock;
    if (2 * (gTable.used + 1) > gTable.capacity) rebuild();
    uintptr_t* slot = find(gTable, a);
    if (*slot == 0) ++gTable.used;
    if (*slot & kFreedBit) --gTable.freed;
    *slot = a;
}

BlockState retireBlock(const void* address) noexcept {
    const auto a = reinterpret_cast<uintptr_t>(address);
    Locked lock;
    if (gTable.capacity == 0) return BlockState::Unknown;
    uintptr_t* slot = find(gTable, a);
    if (*slot == 0) return BlockState::Unknown;
    if (*slot & kFreedBit) return BlockState::Freed;
    *slot |= kFreedBit;
    ++gTable.freed;
    return BlockState::Live;
}

BlockState blockState(const void* address) noexcept {
    const auto a = reinterpret_cast<uintptr_t>(address);
    Locked lock;
    if (gTable.capacity == 0) return BlockState::Unknown;
    const uintptr_t entry = *find(gTable, a);
    if (entry == 0) return BlockState::Unknown;
    return (entry & kFreedBit) ? BlockState::Freed : BlockState::Live;
}

}  // namespace vexrun
