// The entry routine's steps in order and the processor state it sets, the
// set-up and release of the program-level variables, and the end of the
// process from the terminating thread's routines.
#include "runtime/entry_routine.h"

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/list_support.h"
#include "runtime/process_end.h"
#include "runtime/tests/runtime_test_support.h"

namespace {

using runtime_test::ProgramTest;
using runtime_test::newBytes;
using runtime_test::words;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::Not;

using GlobalVariables = ProgramTest;

TEST_F(GlobalVariables, SetUpGivesEachListItsOwnEmptyBlock) {
    setUpGlobals();
    prog::ProgramVariables* v = prog::vars();
    EXPECT_EQ(blocksSinceStart(), 3);
    for (prog::List l : {v->startList, v->endList, v->tailList}) {
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(vexrun::blockSize(l), 8u);
        EXPECT_THAT(words(l, 2), ElementsAre(1u, 0u));
    }
    EXPECT_NE(v->startList, v->endList);
    EXPECT_NE(v->endList, v->tailList);
    EXPECT_EQ(v->inputBytes, nullptr);
    EXPECT_EQ(v->outputBytes, nullptr);
    releaseGlobals();
    EXPECT_EQ(blocksSinceStart(), 0);
}

TEST_F(GlobalVariables, ReleaseFreesEveryBlockTheVariablesHold) {
    setUpGlobals();
    prog::ProgramVariables* v = prog::vars();
    for (int32_t i = 0; i < 3; ++i) {
        prog::appendInt(&v->startList, 1000 * i);
        prog::appendInt(&v->endList, 1000 * i + 500);
    }
    prog::appendBytes(&v->tailList, prog::constBytes(0x64));
    prog::appendBytes(&v->tailList, nullptr);
    prog::appendBytes(&v->tailList, prog::constBytes(0x9A));
    v->inputBytes = newBytes("1\r\n00:00:01,000 --> 00:00:02,000\r\n");
    v->outputBytes = newBytes("\r\n");
    EXPECT_EQ(blocksSinceStart(), 3 + 2 + 2);
    releaseGlobals();
    EXPECT_EQ(blocksSinceStart(), 0);
}

TEST_F(GlobalVariables, StartUpSubroutineGivesZero) { EXPECT_EQ(startUpSubroutine(), 0); }

// ---- The entry routine, run in a child process: window slots that report
// what they see, the kernel core's own end of process.

void reportState(const char* step) {
    uint32_t mxcsr;
    uint16_t fcw;
    uint64_t flags;
    __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
    __asm__ volatile("fnstcw %0" : "=m"(fcw));
    __asm__ volatile("pushfq\n\tpopq %0" : "=r"(flags));
    // A division by zero gives an infinity, it does not trap.
    volatile double zero = 0.0;
    volatile double inf = 1.0 / zero;
    prog::ProgramVariables* v = prog::vars();
    std::fprintf(stderr, "[%s mxcsr=%04x fcw=%04x df=%d inf=%d lists=%d exit=%d]\n", step, mxcsr, fcw,
                 static_cast<int>((flags >> 10) & 1), inf > 1e308 ? 1 : 0,
                 (v->startList && v->endList && v->tailList) ? 1 : 0,
                 vexrun::registeredExitRoutine() == &releaseGlobals ? 1 : 0);
}

int32_t fakeLoadWindow(uint32_t id) {
    std::fprintf(stderr, "[load %08x]", id);
    reportState("loaded");
    return 0;
}

int32_t fakeMessageLoop(int32_t arg) {
    std::fprintf(stderr, "[loop %d]", arg);
    return 0;
}

}  // namespace

// Enters the entry routine with the direction flag set, as a careless
// caller might.
extern "C" void enterWithDirectionSet();
__asm__(
    "\t.text\n"
    "enterWithDirectionSet:\n"
    "\tstd\n"
    "\tjmp vxEntryRoutine\n");

namespace {

using EntryRoutineDeathTest = ProgramTest;

TEST_F(EntryRoutineDeathTest, StepsInOrderThenTheProcessEndsWithZero) {
    ASSERT_EQ(vexrun::liveBlockCount(), 0) << "the child reports the live blocks at exit";
    static vx::HelperTable table;
    table = *vexrun::hostHelperTable();
    table.loadWindow = fakeLoadWindow;
    table.runMessageLoop = fakeMessageLoop;
    auto run = [] {
        setenv("VEXRUN_REPORT_BLOCKS", "1", 1);
        prog::useHelperTable(&table);
        // Round toward zero, divide by zero unmasked, x87 at single precision.
        uint32_t mxcsr = 0x7D80;
        uint16_t fcw = 0x0C7F;
        __asm__ volatile("ldmxcsr %0\n\tfldcw %1" : : "m"(mxcsr), "m"(fcw));
        enterWithDirectionSet();
    };
    EXPECT_EXIT(run(), ExitedWithCode(0),
                "\\[load 52010001\\]\\[loaded mxcsr=1f80 fcw=037f df=0 inf=1 lists=1 exit=1\\]\n"
                "\\[loop 0\\]vexrun: live blocks at exit: 0");
}

// ---- Ending the process.

using ProcessEnd = ProgramTest;
using ProcessEndDeathTest = ProgramTest;

TEST_F(ProcessEnd, TerminatesAnotherProcessById) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pause();
        _exit(7);
    }
    EXPECT_TRUE(prog::terminateProcessById(true, static_cast<uint32_t>(child)));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
}

TEST_F(ProcessEnd, AProcessThatIsGoneIsNotTerminated) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(prog::terminateProcessById(true, static_cast<uint32_t>(child)));
}

void exitRoutineThatTalks() { std::fputs("exit routine ran", stderr); }

TEST_F(ProcessEndDeathTest, TheWrappedThreadRoutineEndsTheOwnProcessAtOnce) {
    auto run = [] {
        vexrun::registerExitRoutine(exitRoutineThatTalks);
        vxSubroutineWrapper();
        std::fputs("still running", stderr);
        std::exit(9);
    };
    EXPECT_EXIT(run(), ExitedWithCode(0),
                AllOf(Not(HasSubstr("exit routine ran")), Not(HasSubstr("still running"))));
}

// DLL stand-ins that do not end anything, and spoil the SSE and x87 control
// words as a careless outside function might.
std::vector<std::vector<uint64_t>> gDllCalls;
uint64_t spoilingDll(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    gDllCalls.push_back({index, a0, a1, a2});
    uint32_t mxcsr = 0x7F80;
    uint16_t fcw = 0x0F7F;
    __asm__ volatile("ldmxcsr %0\n\tfldcw %1" : : "m"(mxcsr), "m"(fcw));
    if (index == vx::kDllGetCurrentProcessId) return 4242;
    if (index == vx::kDllOpenProcess) return 0x77;
    return 0;  // TerminateProcess fails
}

TEST_F(ProcessEnd, TheWrapperCallsTheThreeDllCommandsAndKeepsControlWords) {
    static vx::HelperTable table;
    table = *vexrun::hostHelperTable();
    table.callDll = spoilingDll;
    prog::useHelperTable(&table);
    gDllCalls.clear();

    uint32_t mxcsrBefore, mxcsrAfter;
    uint16_t fcwBefore, fcwAfter;
    __asm__ volatile("stmxcsr %0\n\tfnstcw %1" : "=m"(mxcsrBefore), "=m"(fcwBefore));
    EXPECT_EQ(vxSubroutineWrapper(), 0);
    __asm__ volatile("stmxcsr %0\n\tfnstcw %1" : "=m"(mxcsrAfter), "=m"(fcwAfter));
    EXPECT_EQ(mxcsrAfter & 0xFFC0u, mxcsrBefore & 0xFFC0u);  // control bits, not the status flags
    EXPECT_EQ(fcwAfter, fcwBefore);

    ASSERT_EQ(gDllCalls.size(), 3u);
    EXPECT_THAT(gDllCalls[0], ElementsAre(2u, 0u, 0u, 0u));         // GetCurrentProcessId
    EXPECT_THAT(gDllCalls[1], ElementsAre(0u, 1u, 0u, 4242u));      // OpenProcess(1, 0, id)
    EXPECT_THAT(gDllCalls[2], ElementsAre(1u, 0x77u, 0u, 0u));      // TerminateProcess(handle, 0)
}

}  // namespace
