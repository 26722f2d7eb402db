// The kernel32 stand-ins behind slot 1, and resolving the image's names.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string_view>

#include "vexrun/kernel/core/dll_commands.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/process_end.h"

namespace {

uint64_t dll(uint32_t index, uint64_t a0 = 0, uint64_t a1 = 0, uint64_t a2 = 0) {
    return vexrun::hostHelperTable()->callDll(index, a0, a1, a2);
}

// A child that waits to be ended.
pid_t startSleeper() {
    pid_t pid = fork();
    if (pid == 0) {
        for (;;) pause();
    }
    return pid;
}

TEST(DllCommands, GetCurrentProcessIdIsThePid) {
    EXPECT_EQ(dll(vx::kDllGetCurrentProcessId), static_cast<uint64_t>(getpid()));
}

TEST(DllCommands, OpenProcessGivesAHandleOnlyForAnExistingProcess) {
    EXPECT_NE(dll(vx::kDllOpenProcess, 1, 0, static_cast<uint32_t>(getpid())), 0u);
    pid_t child = startSleeper();
    ASSERT_GT(child, 0);
    EXPECT_NE(dll(vx::kDllOpenProcess, 1, 0, static_cast<uint32_t>(child)), 0u);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(dll(vx::kDllOpenProcess, 1, 0, static_cast<uint32_t>(child)), 0u);  // gone now
    EXPECT_EQ(dll(vx::kDllOpenProcess, 1, 0, 0), 0u);
    EXPECT_EQ(dll(vx::kDllOpenProcess, 1, 0, 0xFFFFFFFFu), 0u);
}

TEST(DllCommands, TerminateProcessKillsAnotherProcess) {
    pid_t child = startSleeper();
    ASSERT_GT(child, 0);
    uint64_t handle = dll(vx::kDllOpenProcess, 1, 0, static_cast<uint32_t>(child));
    EXPECT_EQ(dll(vx::kDllTerminateProcess, handle, 0), 1u);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(dll(vx::kDllTerminateProcess, handle, 0), 0u);  // nothing left to end
    EXPECT_EQ(dll(vx::kDllTerminateProcess, 0, 0), 0u);
}

void exitRoutineThatSpeaks() { fprintf(stderr, "exit routine ran\n"); }

TEST(DllCommands, TerminatingTheOwnProcessEndsItAtOnceWithTheCode) {
    EXPECT_EXIT(
        {
            vexrun::registerExitRoutine(exitRoutineThatSpeaks);
            uint64_t self = dll(vx::kDllOpenProcess, 1, 0, dll(vx::kDllGetCurrentProcessId));
            dll(vx::kDllTerminateProcess, self, 7);
            fprintf(stderr, "still running\n");
        },
        ::testing::ExitedWithCode(7), "^$");  // neither the exit routine nor anything after the call
}

TEST(DllCommands, TheImageNamesAreResolvedInTheImageOrder) {
    std::string error;
    const std::string_view reversed[] = {"GetCurrentProcessId", "OpenProcess"};
    ASSERT_TRUE(vexrun::resolveDllCommands("KERNEL32.DLL", reversed, error)) << error;
    EXPECT_EQ(vexrun::dllCommandCount(), 2u);
    EXPECT_EQ(dll(0), static_cast<uint64_t>(getpid()));
    EXPECT_NE(dll(1, 1, 0, static_cast<uint32_t>(getpid())), 0u);
    EXPECT_EXIT(dll(2), ::testing::ExitedWithCode(3), "vexrun: DLL command 2 is not declared by the program");
    vexrun::resetDllCommands();
    EXPECT_EQ(vexrun::dllCommandCount(), 3u);
    EXPECT_EQ(dll(vx::kDllGetCurrentProcessId), static_cast<uint64_t>(getpid()));
}

TEST(DllCommands, UnknownNamesAreReportedByName) {
    std::string error;
    const std::string_view one[] = {"OpenProcess"};
    EXPECT_FALSE(vexrun::resolveDllCommands("user32.dll", one, error));
    EXPECT_EQ(error, "unknown DLL \"user32.dll\": only kernel32.dll stands in here");
    const std::string_view unknown[] = {"OpenProcess", "ExitProcess"};
    EXPECT_FALSE(vexrun::resolveDllCommands("kernel32.dll", unknown, error));
    EXPECT_EQ(error, "unknown DLL command 1: kernel32.dll has no function \"ExitProcess\" here");
    EXPECT_EQ(vexrun::dllCommandCount(), 3u);  // the failed resolution changed nothing
}

}  // namespace
