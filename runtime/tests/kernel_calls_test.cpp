// The kernel-command wrappers on the kernel core's commands (arguments in
// their order, omitted and missing arguments, results converted), the
// support-library commands' argument lists, and the stack check of
// DLL-command calls. (The property and window commands through a recording
// window system are tested beside the kernel core's window-system interface:
// vexrun/kernel/core/tests/program_window_commands_test.cpp.)
#include "runtime/kernel_calls.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include <string>

#include "runtime/const_table.h"
#include "runtime/list_support.h"
#include "runtime/tests/runtime_test_support.h"

namespace {

using runtime_test::ProgramTest;
using runtime_test::bytesString;
using runtime_test::newBytes;
using runtime_test::newText;
using runtime_test::take;
using ::testing::ElementsAre;
using ::testing::ExitedWithCode;

using KernelCalls = ProgramTest;

// Each wrapper hands its arguments over in order (an omitted start as an
// omitted record, a missing text or byte set as the empty constant) and
// converts the result: positions, fresh texts, byte sets and lists, doubles.
TEST_F(KernelCalls, TextCommands) {
    prog::Text t = newText("a:b:c");
    EXPECT_EQ(prog::findText(t, ":"), 2);
    EXPECT_EQ(prog::findText(t, ":", 3), 4);
    EXPECT_EQ(prog::findText(nullptr, ":"), -1);
    EXPECT_EQ(prog::findTextFromEnd(t, ":"), 4);
    EXPECT_EQ(prog::findTextFromEnd(t, ":", 3), 2);
    EXPECT_EQ(take(prog::leftText(t, 3)), "a:b");
    EXPECT_EQ(take(prog::replacePart(t, 2, 1, "--")), "a--b:c");
    EXPECT_EQ(take(prog::replacePart(t, 1, 2, nullptr)), "b:c");
    EXPECT_EQ(prog::runtimeTextLength("\xC6\xBD\xD2\xC6"), 4);
    EXPECT_EQ(prog::runtimeTextLength(nullptr), 0);

    prog::List parts = prog::splitText("::5:0", ":", 0);
    ASSERT_EQ(prog::elementCount(parts), 4);
    EXPECT_STREQ(prog::textAt(parts, 1), "");
    EXPECT_STREQ(prog::textAt(parts, 3), "5");
    EXPECT_STREQ(prog::textAt(parts, 4), "0");
    prog::releaseAddressList(parts);
    prog::List two = prog::splitText("::5:0", ":", 2);
    EXPECT_EQ(prog::elementCount(two), 2);
    prog::releaseAddressList(two);
    vxFree(t);
}

TEST_F(KernelCalls, Conversions) {
    EXPECT_EQ(prog::toInteger("-12ab"), -12);
    EXPECT_EQ(prog::toInteger(nullptr), 0);
    EXPECT_EQ(take(prog::toText(-250)), "-250");
    EXPECT_EQ(take(prog::toText(1.5)), "1.5");
    EXPECT_EQ(take(prog::toText(1.0 / 3.0)), "0.3333333333333333");
    EXPECT_DOUBLE_EQ(prog::textToDouble("-0.25"), -0.25);
    EXPECT_DOUBLE_EQ(prog::absolute(-2.5), 2.5);
    EXPECT_DOUBLE_EQ(prog::roundTo(-1.25, 1), -1.3);
    prog::ByteSet b = newBytes(std::string_view("ab\0cd", 5));
    EXPECT_EQ(take(prog::bytesToText(b)), "ab");
    EXPECT_EQ(take(prog::bytesToText(nullptr)), "");
    vxFree(b);
}

TEST_F(KernelCalls, ByteSetCommands) {
    prog::ByteSet b = prog::textToByteSet("1\r\n00:00:01,000 --> 00:00:02,000\r\n");
    EXPECT_EQ(prog::byteSetLength(b), 34);
    EXPECT_EQ(prog::byteSetLength(nullptr), 0);
    EXPECT_EQ(take(prog::leftBytes(b, 3)), "1\r\n");
    EXPECT_EQ(take(prog::middleBytes(b, 4, 12)), "00:00:01,000");
    const prog::ByteSetBlock* arrow = prog::constBytes(image::kConstArrowBlock);
    const prog::ByteSetBlock* crlf = prog::constBytes(image::kConstCrLfBlock);
    EXPECT_EQ(prog::findBytes(b, arrow), 17);
    EXPECT_EQ(prog::findBytes(b, arrow, 18), -1);
    EXPECT_EQ(prog::findBytes(b, nullptr), -1);
    EXPECT_EQ(prog::findBytesBackward(b, crlf, 17), 2);
    EXPECT_EQ(prog::findBytesBackward(b, crlf), 33);
    vxFree(b);

    char path[] = "/tmp/tessaly-kernel-calls-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "x\0\xB0y", 4), 4);
    close(fd);
    EXPECT_EQ(take(prog::readFile(path)), std::string("x\0\xB0y", 4));
    unlink(path);
}

// ---- Support-library commands: the argument lists as they leave the program.

struct LibraryCall {
    uint32_t library;
    uint32_t commandTimes4;
    std::vector<vx::ArgRecord> args;
};
std::vector<LibraryCall> gLibraryCalls;

uint64_t recordLibraryCall(uint32_t library, uint32_t commandTimes4, const vx::ArgListHeader* args) {
    LibraryCall call{library, commandTimes4, {}};
    for (uint32_t i = 0; i < args->count; ++i) call.args.push_back(*vx::argAt(args, i));
    gLibraryCalls.push_back(call);
    return 0;
}

std::vector<uint32_t> flat(const std::vector<vx::ArgRecord>& args) {
    std::vector<uint32_t> w;
    for (const auto& a : args) w.insert(w.end(), {a.value, a.high, a.tag});
    return w;
}

TEST_F(KernelCalls, SupportLibraryCommands) {
    vx::HelperTable table = *vexrun::hostHelperTable();
    table.callLibrary = recordLibraryCall;
    prog::useHelperTable(&table);
    gLibraryCalls.clear();

    prog::registerDropTarget(VX_ID(52010001), VX_ID(16010035), VX_KIND(00030001), 4711);
    prog::applyTheme(1);
    prog::startThread(0x123456789AULL);
    prog::waitMilliseconds(10000);

    ASSERT_EQ(gLibraryCalls.size(), 4u);
    EXPECT_EQ(gLibraryCalls[0].library, 2u);
    EXPECT_EQ(gLibraryCalls[0].commandTimes4, 0u);
    EXPECT_THAT(flat(gLibraryCalls[0].args),
                ElementsAre(0x52010001u, 0x16010035u, 0x00030001u, 4711u, 0u, vx::kTagInteger));
    EXPECT_EQ(gLibraryCalls[1].library, 4u);
    EXPECT_EQ(gLibraryCalls[1].commandTimes4, 0u);
    EXPECT_THAT(flat(gLibraryCalls[1].args), ElementsAre(1u, 0u, vx::kTagInteger));
    EXPECT_EQ(gLibraryCalls[2].library, 5u);
    EXPECT_EQ(gLibraryCalls[2].commandTimes4, 0u);
    EXPECT_THAT(flat(gLibraryCalls[2].args),
                ElementsAre(0x3456789Au, 0x12u, vx::kTagSubroutine, 0u, 0u, 0u, 0u, 0u, 0u));
    EXPECT_EQ(gLibraryCalls[3].library, 3u);
    EXPECT_EQ(gLibraryCalls[3].commandTimes4, 28u);
    EXPECT_THAT(flat(gLibraryCalls[3].args), ElementsAre(10000u, 0u, vx::kTagInteger));
}

// ---- DLL commands and the stack check.

std::vector<uint64_t> gDllArgs;
uint64_t recordDllCall(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    gDllArgs = {index, a0, a1, a2};
    return 0xFEDCBA9876543210ULL;
}

}  // namespace

// Stand-ins of DLL functions that leave the stack pointer moved, as a
// function of another calling convention would: one removes 8 bytes more
// than its return address, one leaves 8 bytes behind.
extern "C" uint64_t dllRemovingTooMuch(uint32_t, uint64_t, uint64_t, uint64_t);
extern "C" uint64_t dllLeavingTooMuch(uint32_t, uint64_t, uint64_t, uint64_t);
__asm__(
    "\t.text\n"
    "dllRemovingTooMuch:\n"
    "\txorl %eax, %eax\n"
    "\tret $8\n"
    "dllLeavingTooMuch:\n"
    "\tpopq %r11\n"
    "\tpushq %r11\n"
    "\tpushq %r11\n"
    "\txorl %eax, %eax\n"
    "\tret\n");

namespace {

using KernelCallsDeathTest = ProgramTest;

TEST_F(KernelCalls, DllCommandsPassArgumentsAndResultThrough) {
    vx::HelperTable table = *vexrun::hostHelperTable();
    table.callDll = recordDllCall;
    prog::useHelperTable(&table);
    EXPECT_EQ(prog::callDllCommand(VX_DLL(1), 0x1111222233334444ULL, 0, 0xFFFFFFFFULL), 0xFEDCBA9876543210ULL);
    EXPECT_THAT(gDllArgs, ElementsAre(1u, 0x1111222233334444ULL, 0u, 0xFFFFFFFFULL));

    prog::useHelperTable(vexrun::hostHelperTable());
    EXPECT_EQ(static_cast<uint32_t>(prog::callDllCommand(VX_DLL(2), 0, 0, 0)), static_cast<uint32_t>(getpid()));
}

TEST_F(KernelCallsDeathTest, AMovedStackPointerIsRunTimeError6) {
    static vx::HelperTable table;
    table = *vexrun::hostHelperTable();
    table.callDll = dllRemovingTooMuch;
    prog::useHelperTable(&table);
    EXPECT_EXIT(prog::callDllCommand(VX_DLL(0), 1, 0, 1), ExitedWithCode(vexrun::kExitRuntimeError),
                "run-time error 6");
    table.callDll = dllLeavingTooMuch;
    EXPECT_EXIT(prog::callDllCommand(VX_DLL(0), 1, 0, 1), ExitedWithCode(vexrun::kExitRuntimeError),
                "run-time error 6");
}

}  // namespace
