// Run-time errors (slot 0), ending the process (slot 9), services (slot 12)
// and the window slots without a window system.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/tests/fake_gui_backend.h"

using ::testing::ExitedWithCode;

namespace {

const vx::HelperTable& slots() { return *vexrun::hostHelperTable(); }

TEST(RuntimeErrors, NameTheCodeAndItsMeaningAndEndWithTheFixedStatus) {
    EXPECT_EXIT(slots().reportError(4), ExitedWithCode(vexrun::kExitRuntimeError),
                "^vexrun: run-time error 4: list index below 1\n$");
    EXPECT_EXIT(slots().reportError(1), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: run-time error 1: list index above the element count");
    EXPECT_EXIT(slots().reportError(6), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: run-time error 6: the stack changed across a DLL command");
    EXPECT_EXIT(slots().reportError(99), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: run-time error 99: unknown run-time error");
}

TEST(RuntimeErrors, AreShownInAMessageBoxWhenAWindowSystemIsThere) {
    // A backend that prints what it was shown.
    struct PrintingGui : coretest::FakeGuiBackend {
        int32_t messageBox(std::string_view text, int32_t, std::string_view caption) override {
            fprintf(stderr, "[box %.*s: %.*s]\n", static_cast<int>(caption.size()), caption.data(),
                    static_cast<int>(text.size()), text.data());
            return 0;
        }
    };
    EXPECT_EXIT(
        {
            static PrintingGui gui;
            vexrun::setGuiBackend(&gui);
            slots().reportError(1);
        },
        ExitedWithCode(vexrun::kExitRuntimeError), "\\[box vexrun: run-time error 1: list index above the element count\\]");
}

int gExitRoutineRuns = 0;
void countingExitRoutine() {
    ++gExitRoutineRuns;
    fprintf(stderr, "exit routine run %d\n", gExitRoutineRuns);
}

TEST(EndProcess, RunsTheExitRoutineOnceThenEndsWithTheCode) {
    EXPECT_EXIT(
        {
            slots().service(vx::kServiceRegisterExitRoutine, reinterpret_cast<uint64_t>(&countingExitRoutine), 0);
            slots().endProcess(5);
        },
        ExitedWithCode(5), "^exit routine run 1\n$");
    EXPECT_EXIT(slots().endProcess(-1), ExitedWithCode(255), "");
}

void exitRoutineThatEndsAgain() {
    fprintf(stderr, "exit routine\n");
    vexrun::hostHelperTable()->endProcess(9);
}

TEST(EndProcess, AnExitRoutineThatEndsTheProcessDoesNotRunTwice) {
    EXPECT_EXIT(
        {
            slots().service(vx::kServiceRegisterExitRoutine, reinterpret_cast<uint64_t>(&exitRoutineThatEndsAgain), 0);
            slots().endProcess(0);
        },
        ExitedWithCode(9), "^exit routine\n$");
}

void* gHeld[2];
void freeingExitRoutine() {
    vexrun::freeBlock(gHeld[0]);
    vexrun::freeBlock(gHeld[1]);
}

TEST(EndProcess, ReportsTheLiveBlocksAfterTheExitRoutineAndShutsTheWindowSystemDown) {
    struct ShutdownGui : coretest::FakeGuiBackend {
        void shutdown() override { fprintf(stderr, "shutdown\n"); }
    };
    const std::string expected =
        "^shutdown\nvexrun: live blocks at exit: " + std::to_string(vexrun::liveBlockCount() + 3) + "\n$";
    EXPECT_EXIT(
        {
            setenv("VEXRUN_REPORT_BLOCKS", "1", 1);
            static ShutdownGui gui;
            vexrun::setGuiBackend(&gui);
            gHeld[0] = slots().allocate(4);
            gHeld[1] = slots().allocate(4);
            for (int i = 0; i < 3; ++i) slots().allocate(1);  // these stay behind
            slots().service(vx::kServiceRegisterExitRoutine, reinterpret_cast<uint64_t>(&freeingExitRoutine), 0);
            slots().endProcess(0);
        },
        ExitedWithCode(0), expected);
}

TEST(EndProcess, WithoutTheVariableNoBlocksAreReported) {
    EXPECT_EXIT(
        {
            unsetenv("VEXRUN_REPORT_BLOCKS");
            slots().allocate(1);
            slots().endProcess(0);
        },
        ExitedWithCode(0), "^$");
}

TEST(Services, MakeListWritableGivesAnEmptyListToAVariableWithout) {
    const int64_t before = vexrun::liveBlockCount();
    void* variable = nullptr;
    slots().service(vx::kServiceMakeListWritable, 4, reinterpret_cast<uint64_t>(&variable));
    ASSERT_NE(variable, nullptr);
    uint32_t head[2];
    memcpy(head, variable, 8);
    EXPECT_EQ(head[0], 1u);
    EXPECT_EQ(head[1], 0u);
    EXPECT_EQ(vexrun::liveBlockCount(), before + 1);

    // A list that has a block keeps it, and it can be grown in place.
    void* same = variable;
    slots().service(vx::kServiceMakeListWritable, 8, reinterpret_cast<uint64_t>(&variable));
    EXPECT_EQ(variable, same);
    variable = slots().reallocate(variable, 12);
    EXPECT_EQ(vexrun::liveBlockCount(), before + 1);
    slots().free(variable);
}

TEST(Services, BadRequestsAreNamed) {
    EXPECT_EXIT(slots().service(7, 0, 0), ExitedWithCode(vexrun::kExitRuntimeError), "vexrun: unknown runtime service 7");
    EXPECT_EXIT(slots().service(vx::kServiceMakeListWritable, 4, 0), ExitedWithCode(vexrun::kExitRuntimeError),
                "service 2: the list variable's address is 0");
    EXPECT_EXIT(slots().service(vx::kServiceRegisterExitRoutine, 0, 0), ExitedWithCode(vexrun::kExitRuntimeError),
                "service 3: the exit routine's address is 0");
}

TEST(WindowSlots, WithoutAWindowSystemAreNamed) {
    EXPECT_EXIT(slots().loadWindow(vx::kMainWindowId), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: loading a window needs a window system, and none is installed");
    EXPECT_EXIT(slots().runMessageLoop(0), ExitedWithCode(vexrun::kExitRuntimeError), "the message loop needs");
    EXPECT_EXIT(slots().getProperty(1, 2, 8, -1), ExitedWithCode(vexrun::kExitRuntimeError), "getting a control");
    EXPECT_EXIT(slots().setProperty(1, 2, 8, -1, 0, 0), ExitedWithCode(vexrun::kExitRuntimeError), "setting a control");
}

TEST(WindowSlots, GoToTheBackendWithTheWholeValue) {
    struct RecordingGui : coretest::FakeGuiBackend {
        uint64_t lastValue = 0;
        uint32_t lastProperty = 0;
        void setProperty(uint32_t, uint32_t, uint32_t property, uint64_t value) override {
            lastProperty = property;
            lastValue = value;
        }
        uint64_t getProperty(uint32_t, uint32_t controlId, uint32_t) override { return controlId + 1ull; }
    } gui;
    vexrun::setGuiBackend(&gui);
    slots().setProperty(vx::kMainWindowId, 0x16010001, vx::kPropEditText, -1, 0x89ABCDEF, 0x7F);
    EXPECT_EQ(gui.lastProperty, vx::kPropEditText);
    EXPECT_EQ(gui.lastValue, 0x7F89ABCDEFull);
    EXPECT_EQ(slots().getProperty(vx::kMainWindowId, 0x16010001, 5, -1), 0x16010002u);
    EXPECT_EQ(slots().loadWindow(vx::kMainWindowId), 1);
    vexrun::setGuiBackend(nullptr);
}

TEST(HelperTable, TheImageTableLiesBelow2GiBAndHoldsTheSameSlots) {
    const vx::HelperTable* t = vexrun::helperTable();
    EXPECT_LT(reinterpret_cast<uintptr_t>(t), 0x80000000u);
    EXPECT_EQ(t, vexrun::helperTable());
    EXPECT_EQ(memcmp(t, vexrun::hostHelperTable(), sizeof(vx::HelperTable)), 0);
}

}  // namespace
