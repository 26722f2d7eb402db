// Kernel blocks: the live count, contents kept across growth, amortised growth.
#include <gtest/gtest.h>
#include <string.h>
#include <sys/resource.h>

#include <vector>

#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace {

const vx::HelperTable& slots() { return *vexrun::hostHelperTable(); }

TEST(Memory, LiveBlockCountFollowsAllocateAndFree) {
    const int64_t before = vexrun::liveBlockCount();
    void* a = slots().allocate(10);
    void* b = slots().allocate(0);  // an empty block is still a block
    void* c = slots().reallocate(nullptr, 5);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(vexrun::liveBlockCount(), before + 3);
    c = slots().reallocate(c, 5000);  // moving does not change the count
    EXPECT_EQ(vexrun::liveBlockCount(), before + 3);
    slots().free(a);
    slots().free(b);
    slots().free(c);
    slots().free(nullptr);
    EXPECT_EQ(vexrun::liveBlockCount(), before);
}

TEST(Memory, BlocksAreAlignedForEightByteElements) {
    std::vector<void*> blocks;
    for (uint32_t n = 1; n < 64; ++n) blocks.push_back(slots().allocate(n));
    for (void* b : blocks) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
        slots().free(b);
    }
}

TEST(Memory, ReallocateKeepsTheContents) {
    auto* p = static_cast<uint8_t*>(slots().allocate(100));
    for (int i = 0; i < 100; ++i) p[i] = static_cast<uint8_t>(i * 7);
    p = static_cast<uint8_t*>(slots().reallocate(p, 1000000));
    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7)) << i;
    memset(p + 100, 0xAB, 1000000 - 100);  // the whole new size is usable
    p = static_cast<uint8_t*>(slots().reallocate(p, 50));  // shrinking keeps the front
    for (int i = 0; i < 50; ++i) ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7)) << i;
    EXPECT_EQ(vexrun::blockSize(p), 50u);
    slots().free(p);
}

TEST(Memory, AppendingOneByteAtATimeMovesTheBlockRarely) {
    // A byte set grown by one byte per append, as the subtitle rebuild does.
    const uint64_t movesBefore = vexrun::underlyingReallocationCount();
    auto* b = static_cast<uint8_t*>(slots().allocate(8));
    constexpr uint32_t kAppends = 100000;
    for (uint32_t n = 1; n <= kAppends; ++n) {
        b = static_cast<uint8_t*>(slots().reallocate(b, 8 + n));
        b[8 + n - 1] = static_cast<uint8_t>(n);
    }
    const uint64_t moves = vexrun::underlyingReallocationCount() - movesBefore;
    EXPECT_LT(moves, 40u) << "growth must be geometric";
    for (uint32_t n = 1; n <= kAppends; ++n) ASSERT_EQ(b[8 + n - 1], static_cast<uint8_t>(n)) << n;
    slots().free(b);
}

TEST(Memory, FreeingSomethingThatIsNotABlockIsReported) {
    alignas(16) static uint8_t notABlock[64] = {};
    EXPECT_EXIT(slots().free(notABlock + 32), ::testing::ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: an address that is not a kernel block was freed or resized");
}

TEST(Memory, ABlockFreedTwiceIsABlockUsedAfterItWasFreed) {
    const char* says = "vexrun: a block was used after it was freed";
    auto freedTwice = [] {
        void* b = slots().allocate(24);
        slots().free(b);
        slots().free(b);
    };
    // A large block goes back to the system at once.
    auto largeResizedAfterFree = [] {
        void* b = slots().allocate(64u << 20);
        slots().free(b);
        slots().reallocate(b, 10);
    };
    // The old address of a block that moved is freed too.
    auto oldAddressFreed = [] {
        void* b = slots().allocate(16);
        void* moved = slots().reallocate(b, 1u << 20);
        slots().free(moved);
        slots().free(b);
    };
    EXPECT_EXIT(freedTwice(), ::testing::ExitedWithCode(vexrun::kExitRuntimeError), says);
    EXPECT_EXIT(largeResizedAfterFree(), ::testing::ExitedWithCode(vexrun::kExitRuntimeError), says);
    EXPECT_EXIT(oldAddressFreed(), ::testing::ExitedWithCode(vexrun::kExitRuntimeError), says);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(Memory, RunningOutOfMemoryIsReportedAndEndsTheProgram) {
    // An address-space limit below the request makes malloc fail.
    auto allocateBeyondTheLimit = [] {
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = 1u << 30;
        setrlimit(RLIMIT_AS, &limit);
        slots().allocate(0xFFFFFF00u);
    };
    EXPECT_EXIT(allocateBeyondTheLimit(),
        ::testing::ExitedWithCode(vexrun::kExitRuntimeError), "vexrun: out of memory: cannot allocate 4294967040 bytes");
}
#endif

TEST(Memory, ProgramValuesAreFreshBlocks) {
    const int64_t before = vexrun::liveBlockCount();
    char* t = vexrun::newText("abc");
    EXPECT_STREQ(t, "abc");
    void* b = vexrun::newByteSet(std::string_view("x\0y", 3));
    EXPECT_EQ(vexrun::byteSetView(b), std::string_view("x\0y", 3));
    uint32_t head[2];
    memcpy(head, b, 8);
    EXPECT_EQ(head[0], 1u);
    EXPECT_EQ(head[1], 3u);
    EXPECT_EQ(vexrun::liveBlockCount(), before + 2);
    vexrun::freeBlock(t);
    vexrun::freeBlock(b);
    EXPECT_EQ(vexrun::byteSetView(nullptr), "");
    EXPECT_EQ(vexrun::textView(nullptr), "");
}

}  // namespace
