// Lists: element count, the index check (run-time errors 4 and 1), element
// access, resetting and appending through runtime service 2.
#include "runtime/list_support.h"

#include <gmock/gmock.h>

#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/tests/runtime_test_support.h"

namespace {

using runtime_test::ProgramTest;
using runtime_test::bytesString;
using runtime_test::newBytes;
using runtime_test::newIntList;
using runtime_test::newText;
using runtime_test::words;
using ::testing::ElementsAre;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;

using ListSupport = ProgramTest;
using ListSupportDeathTest = ProgramTest;

TEST_F(ListSupport, ElementCountOfNoBlockAndOfTheEmptyList) {
    uint8_t* first = reinterpret_cast<uint8_t*>(1);
    EXPECT_EQ(prog::elementCount(nullptr), 0);
    EXPECT_EQ(prog::elementCount(nullptr, &first), 0);
    EXPECT_EQ(first, nullptr);

    auto* empty = reinterpret_cast<const prog::ListBlock*>(prog::constAt(image::kConstEmptyBlock));
    EXPECT_EQ(prog::elementCount(empty, &first), 0);
    EXPECT_EQ(first, reinterpret_cast<const uint8_t*>(empty) + 8);
    EXPECT_EQ(prog::elementCountOfBlock(empty, &first), 0);
}

TEST_F(ListSupport, ElementCountIsTheProductOfTheDimensions) {
    uint32_t none[1] = {0};
    uint8_t* first;
    EXPECT_EQ(prog::elementCount(reinterpret_cast<prog::ListBlock*>(none), &first), 0);

    uint32_t grid[3 + 6] = {2, 2, 3, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(prog::elementCount(reinterpret_cast<prog::ListBlock*>(grid), &first), 6);
    EXPECT_EQ(first, reinterpret_cast<uint8_t*>(grid + 3));
    EXPECT_EQ(prog::intAt(reinterpret_cast<prog::ListBlock*>(grid), 6), 15);
}

TEST_F(ListSupport, ElementAccessIsOneBased) {
    prog::List l = newIntList({7, 8, 9});
    EXPECT_EQ(prog::intAt(l, 1), 7);
    EXPECT_EQ(prog::intAt(l, 3), 9);
    *prog::intSlot(l, 2) = -4;
    EXPECT_THAT(words(l, 5), ElementsAre(1u, 3u, 7u, static_cast<uint32_t>(-4), 9u));
    vxFree(l);
}

TEST_F(ListSupportDeathTest, IndexBelowOneIsRunTimeError4) {
    prog::List l = newIntList({1, 2});
    EXPECT_EXIT(prog::intAt(l, 0), ExitedWithCode(vexrun::kExitRuntimeError), "run-time error 4");
    EXPECT_EXIT(prog::intAt(l, -5), ExitedWithCode(vexrun::kExitRuntimeError), "run-time error 4");
    // Below one is tested first, also for a list without elements.
    EXPECT_EXIT(prog::intAt(nullptr, 0), ExitedWithCode(vexrun::kExitRuntimeError), "run-time error 4");
    vxFree(l);
}

TEST_F(ListSupportDeathTest, IndexAboveTheCountIsRunTimeError1) {
    prog::List l = newIntList({1, 2});
    EXPECT_EXIT(prog::intAt(l, 3), ExitedWithCode(vexrun::kExitRuntimeError), "run-time error 1");
    EXPECT_EXIT(prog::intAt(nullptr, 1), ExitedWithCode(vexrun::kExitRuntimeError), "run-time error 1");
    EXPECT_EXIT(prog::textAt(prog::splitText("a", ",", 0), 2), ExitedWithCode(vexrun::kExitRuntimeError),
                "run-time error 1");
    vxFree(l);
}

TEST_F(ListSupport, AppendingAnIntegerGrowsTheBlockByOneElement) {
    prog::List l = newIntList({});
    prog::appendInt(&l, 5);
    EXPECT_EQ(vexrun::blockSize(l), 12u);
    EXPECT_THAT(words(l, 3), ElementsAre(1u, 1u, 5u));

    prog::List two = newIntList({1, 0});
    prog::appendInt(&two, 5);
    EXPECT_THAT(words(two, 5), ElementsAre(1u, 3u, 1u, 0u, 5u));
    EXPECT_EQ(blocksSinceStart(), 2);
    vxFree(l);
    vxFree(two);
}

TEST_F(ListSupport, AppendingToAVariableWithoutBlock) {
    prog::List l = nullptr;
    prog::appendInt(&l, -1);
    ASSERT_NE(l, nullptr);
    EXPECT_THAT(words(l, 3), ElementsAre(1u, 1u, 0xFFFFFFFFu));
    vxFree(l);
}

TEST_F(ListSupport, AppendingToAListOfMoreDimensionsFlattensIt) {
    auto* grid = static_cast<uint32_t*>(vxAllocate(4 * (3 + 6)));
    const uint32_t init[] = {2, 2, 3, 10, 11, 12, 13, 14, 15};
    std::memcpy(grid, init, sizeof init);
    prog::List l = reinterpret_cast<prog::List>(grid);
    prog::appendInt(&l, 16);
    EXPECT_EQ(vexrun::blockSize(l), 8u + 4u * 7);
    EXPECT_THAT(words(l, 9), ElementsAre(1u, 7u, 10u, 11u, 12u, 13u, 14u, 15u, 16u));

    uint32_t* bare = static_cast<uint32_t*>(vxAllocate(4));
    bare[0] = 0;  // no dimensions, no elements
    prog::List b = reinterpret_cast<prog::List>(bare);
    prog::appendInt(&b, 3);
    EXPECT_THAT(words(b, 3), ElementsAre(1u, 1u, 3u));
    vxFree(l);
    vxFree(b);
}

TEST_F(ListSupport, ManyAppendsKeepEveryElement) {
    prog::ProgramVariables* v = prog::vars();
    v->startList = newIntList({});
    for (int32_t i = 1; i <= 2000; ++i) prog::appendInt(&v->startList, i * 3);
    ASSERT_EQ(prog::elementCount(v->startList), 2000);
    for (int32_t i = 1; i <= 2000; ++i) ASSERT_EQ(prog::intAt(v->startList, i), i * 3);
    vxFree(v->startList);
}

TEST_F(ListSupport, AppendedTextsAndByteSetsAreFreshCopies) {
    prog::ProgramVariables* v = prog::vars();
    v->tailList = newIntList({});
    prog::ByteSet tail = newBytes("\r\nHello\r\n");
    prog::appendBytes(&v->tailList, tail);
    prog::appendBytes(&v->tailList, nullptr);
    prog::ByteSet stored = prog::bytesAt(v->tailList, 1);
    EXPECT_NE(stored, tail);
    EXPECT_EQ(stored->one, 1u);
    EXPECT_EQ(bytesString(stored), "\r\nHello\r\n");
    EXPECT_EQ(vexrun::blockSize(stored), 8u + 9u);
    EXPECT_EQ(prog::bytesAt(v->tailList, 2), nullptr);
    vxFree(tail);  // the caller's temporary; the list keeps its copy
    EXPECT_EQ(bytesString(prog::bytesAt(v->tailList, 1)), "\r\nHello\r\n");

    prog::List fields = nullptr;
    prog::Text zero = newText("0");
    prog::appendText(&fields, zero);
    prog::appendText(&fields, "");
    prog::appendText(&fields, nullptr);
    EXPECT_EQ(prog::elementCount(fields), 3);
    EXPECT_NE(prog::textAt(fields, 1), zero);
    EXPECT_STREQ(prog::textAt(fields, 1), "0");
    ASSERT_NE(prog::textAt(fields, 2), nullptr);  // the empty text is a block
    EXPECT_STREQ(prog::textAt(fields, 2), "");
    EXPECT_EQ(prog::textAt(fields, 3), nullptr);
    vxFree(zero);

    prog::releaseAddressList(fields);
    prog::releaseAddressList(v->tailList);
}

TEST_F(ListSupport, ResettingAnIntegerList) {
    prog::List l = newIntList({4, 5, 6});
    prog::resetIntList(&l, 4);
    EXPECT_THAT(words(l, 6), ElementsAre(1u, 4u, 0u, 0u, 0u, 0u));
    prog::resetIntList(&l, 0);
    EXPECT_THAT(words(l, 2), ElementsAre(1u, 0u));
    EXPECT_EQ(vexrun::blockSize(l), 8u);
    prog::resetIntList(&l, -3);
    EXPECT_THAT(words(l, 2), ElementsAre(1u, 0u));
    EXPECT_EQ(blocksSinceStart(), 1);
    vxFree(l);
}

TEST_F(ListSupport, ResettingAListOfByteSetsFreesItsElements) {
    prog::List l = nullptr;
    prog::appendBytes(&l, prog::constBytes(image::kConstCrLfBlock));
    prog::appendBytes(&l, nullptr);
    prog::appendBytes(&l, prog::constBytes(image::kConstArrowBlock));
    EXPECT_EQ(blocksSinceStart(), 3);
    prog::resetAddressList(&l, 0);
    EXPECT_EQ(blocksSinceStart(), 1);
    EXPECT_EQ(prog::elementCount(l), 0);

    prog::resetAddressList(&l, 4);
    EXPECT_EQ(prog::elementCount(l), 4);
    for (int32_t i = 1; i <= 4; ++i) EXPECT_EQ(prog::textAt(l, i), nullptr);
    EXPECT_EQ(vexrun::blockSize(l), 8u + 8u * 4);
    prog::releaseAddressList(l);
    prog::releaseAddressList(nullptr);
}

}  // namespace
