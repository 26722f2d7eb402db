// Kernel blocks: malloc'd storage with a 16-byte header in front of the
// address the program sees (16 bytes keep the program's part aligned like
// malloc's own).
#include "vexrun/kernel/core/memory.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "vexrun/kernel/core/block_registry.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {
namespace {

constexpr uint32_t kBlockMagic = 0x6B6C4256u;  // "VBlk"
constexpr uint32_t kFreedMagic = 0x64656544u;

struct BlockHeader {
    uint32_t magic;
    uint32_t size;      // what the program asked for
    uint32_t capacity;  // what the underlying allocation holds
    uint32_t reserved;
};
static_assert(sizeof(BlockHeader) == 16, "the program's part stays 16-byte aligned");

std::atomic<int64_t> gLive{0};
std::atomic<uint64_t> gMoves{0};

[[noreturn]] void notALiveBlock(BlockState state) {
    fatalError(state == BlockState::Freed ? "a block was used after it was freed"
                                          : "an address that is not a kernel block was freed or resized");
}

BlockHeader* rawHeader(const void* block) {
    return reinterpret_cast<BlockHeader*>(const_cast<uint8_t*>(static_cast<const uint8_t*>(block)) -
                                          sizeof(BlockHeader));
}

// The header of a live block; anything else is reported before its memory
// is touched.
BlockHeader* headerOf(const void* block) {
    const BlockState state = blockState(block);
    if (state != BlockState::Live) notALiveBlock(state);
    return rawHeader(block);
}

[[noreturn]] void outOfMemory(uint64_t bytes) {
    // No memory for the message either: it is put together in place.
    char message[64];
    snprintf(message, sizeof message, "out of memory: cannot allocate %llu bytes",
             static_cast<unsigned long long>(bytes));
    fatalError(message);
}

}  // namespace

void* allocateBlock(uint32_t bytes) noexcept {
    auto* h = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + bytes));
    if (!h) outOfMemory(bytes);
    *h = {kBlockMagic, bytes, bytes, 0};
    registerLiveBlock(h + 1);
    gLive.fetch_add(1, std::memory_order_relaxed);
    return h + 1;
}

void* reallocateBlock(void* block, uint32_t bytes) noexcept {
    if (!block) return allocateBlock(bytes);
    BlockHeader* h = headerOf(block);
    if (bytes <= h->capacity) {
        h->size = bytes;
        return block;
    }
    // Grow by half again at least, so that appending piece by piece moves the
    // block only O(log n) times.
    uint64_t grown = static_cast<uint64_t>(h->capacity) + h->capacity / 2 + 16;
    uint64_t capacity = grown > bytes ? grown : bytes;
    if (capacity > UINT32_MAX) capacity = UINT32_MAX;
    auto* moved = static_cast<BlockHeader*>(realloc(h, sizeof(BlockHeader) + capacity));
    if (!moved) outOfMemory(bytes);
    if (moved != h) {
        retireBlock(block);
        registerLiveBlock(moved + 1);
    }
    moved->size = bytes;
    moved->capacity = static_cast<uint32_t>(capacity);
    gMoves.fetch_add(1, std::memory_order_relaxed);
    return moved + 1;
}

void freeBlock(void* block) noexcept {
    if (!block) return;
    const BlockState state = retireBlock(block);
    if (state != BlockState::Live) notALiveBlock(state);
    BlockHeader* h = rawHeader(block);
    h->magic = kFreedMagic;
    free(h);
    gLive.fetch_sub(1, std::memory_order_relaxed);
}

int64_t liveBlockCount() noexcept { return gLive.load(std::memory_order_relaxed); }
uint64_t underlyingReallocationCount() noexcept { return gMoves.load(std::memory_order_relaxed); }
uint32_t blockSize(const void* block) noexcept { return block ? headerOf(block)->size : 0; }

char* newText(std::string_view bytes) noexcept {
    if (bytes.size() >= UINT32_MAX) outOfMemory(bytes.size() + 1);
    auto* t = static_cast<char*>(allocateBlock(static_cast<uint32_t>(bytes.size() + 1)));
    if (!bytes.empty()) memcpy(t, bytes.data(), bytes.size());
    t[bytes.size()] = '\0';
    return t;
}

void* newByteSet(std::span<const uint8_t> bytes) noexcept {
    if (bytes.size() > UINT32_MAX - 8) outOfMemory(bytes.size() + 8);
    auto n = static_cast<uint32_t>(bytes.size());
    auto* b = static_cast<uint8_t*>(allocateBlock(8 + n));
    const uint32_t head[2] = {1, n};
    memcpy(b, head, 8);
    if (n) memcpy(b + 8, bytes.data(), n);
    return b;
}

void* newTextList(std::span<const std::string_view> texts) noexcept {
    if (texts.size() > (UINT32_MAX - 8) / 8) outOfMemory(texts.size() * 8);
    auto n = static_cast<uint32_t>(texts.size());
    auto* list = static_cast<uint8_t*>(allocateBlock(8 + 8 * n));
    const uint32_t head[2] = {1, n};
    memcpy(list, head, 8);
    for (uint32_t i = 0; i < n; ++i) {
        char* t = newText(texts[i]);
        memcpy(list + 8 + 8 * i, &t, 8);
    }
    return list;
}

std::string_view textView(const char* text) noexcept { return text ? std::string_view(text) : std::string_view(); }

std::string_view byteSetView(const void* byteSet) noexcept {
    if (!byteSet) return {};
    const auto* b = static_cast<const uint8_t*>(byteSet);
    uint32_t n;
    memcpy(&n, b + 4, 4);
    return {reinterpret_cast<const char*>(b + 8), n};
}

}  // namespace vexrun
