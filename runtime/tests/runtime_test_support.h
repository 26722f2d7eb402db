// What the tests of the program-side support routines share: the kernel
// library's hosted helper table (runtime/hosted_kernel.h, linked from the
// kernel core), a check that every block a test allocated was freed, small
// builders of program values in kernel blocks, and taking back a value the
// kernel handed out.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/hosted_kernel.h"
#include "runtime/program_base.h"
#include "runtime/program_variables.h"

namespace runtime_test {

// Every test runs the program code on the kernel core's own commands and
// ends with as many live blocks as it started with.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        prog::useHelperTable(vexrun::hostHelperTable());
        std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
        blocksAtStart_ = vexrun::liveBlockCount();
    }
    void TearDown() override {
        prog::useHelperTable(vexrun::hostHelperTable());
        EXPECT_EQ(vexrun::liveBlockCount(), blocksAtStart_) << "blocks left allocated";
    }
    int64_t blocksSinceStart() const { return vexrun::liveBlockCount() - blocksAtStart_; }

private:
    int64_t blocksAtStart_ = 0;
};

inline prog::Text newText(std::string_view s) { return vexrun::newText(s); }
inline prog::ByteSet newBytes(std::string_view s) { return static_cast<prog::ByteSet>(vexrun::newByteSet(s)); }

inline std::string bytesString(const prog::ByteSetBlock* b) {
    return b ? std::string(reinterpret_cast<const char*>(prog::bytesOf(b)), b->count) : std::string();
}

// Takes a text the kernel handed back, checks it and frees it.
inline std::string take(prog::Text t) {
    EXPECT_NE(t, nullptr);
    std::string s = t ? t : "";
    vxFree(t);
    return s;
}
inline std::string take(prog::ByteSet b) {
    std::string s = bytesString(b);
    vxFree(b);
    return s;
}

// The 32-bit words of a block, for comparing whole layouts.
inline std::vector<uint32_t> words(const void* block, size_t count) {
    std::vector<uint32_t> w(count);
    std::memcpy(w.data(), block, count * 4);
    return w;
}

// A list block of one dimension holding the given integers.
inline prog::List newIntList(std::initializer_list<int32_t> values) {
    auto* l = static_cast<uint32_t*>(vxAllocate(static_cast<uint32_t>(8 + 4 * values.size())));
    l[0] = 1;
    l[1] = static_cast<uint32_t>(values.size());
    size_t i = 2;
    for (int32_t v : values) l[i++] = static_cast<uint32_t>(v);
    return reinterpret_cast<prog::List>(l);
}

}  // namespace runtime_test
