// The kernel core's Windows side: memory below 2 GiB, the readable extent of
// an address, and the program's kernel32 commands through slot 1 reaching
// the real GetCurrentProcessId, OpenProcess and TerminateProcess.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/file_reading.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/platform.h"

namespace {

namespace platform = vexrun::platform;

uint64_t dll(uint32_t index, uint64_t a0 = 0, uint64_t a1 = 0, uint64_t a2 = 0) {
    return vexrun::hostHelperTable()->callDll(index, a0, a1, a2);
}

TEST(WindowsMemory, MappingsLieBelow2GiBZeroedAndWritable) {
    std::string why;
    for (size_t bytes : {size_t{4096}, size_t{1} << 20}) {
        auto* m = static_cast<uint8_t*>(platform::mapBelow2GiB(bytes, true, why));
        ASSERT_NE(m, nullptr) << why;
        EXPECT_LE(reinterpret_cast<uintptr_t>(m) + bytes, 0x80000000u);
        EXPECT_EQ(m[0], 0);
        EXPECT_EQ(m[bytes - 1], 0);
        m[bytes - 1] = 7;
        EXPECT_EQ(platform::readableExtent(m + 100), bytes - 100);
        platform::unmapBelow2GiB(m, bytes);
    }
    // The helper table the image jumps through is there too, and read-only.
    const auto* table = vexrun::helperTable();
    EXPECT_LT(reinterpret_cast<uintptr_t>(table), 0x80000000u);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(VirtualQuery(table, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READONLY));
    EXPECT_EQ(platform::readableExtent(reinterpret_cast<void*>(16)), 0u);
}

TEST(WindowsMemory, RelocatedCodeIsExecutableAndNoLongerWritable) {
    std::string why;
    auto* m = static_cast<uint8_t*>(platform::mapBelow2GiB(8192, true, why));
    ASSERT_NE(m, nullptr) << why;
    ASSERT_TRUE(platform::makeCodeWritable(m, 8192, why)) << why;
    m[0] = 0xC3;  // ret
    ASSERT_TRUE(platform::makeCodeExecutable(m, 8192, why)) << why;
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(VirtualQuery(m, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
    reinterpret_cast<vx::ImageRoutine>(m)();
    platform::unmapBelow2GiB(m, 8192);
}

TEST(WindowsDllCommands, GetCurrentProcessIdAndOpenProcessAreTheRealOnes) {
    EXPECT_EQ(dll(vx::kDllGetCurrentProcessId), GetCurrentProcessId());
    const uint64_t handle = dll(vx::kDllOpenProcess, PROCESS_QUERY_LIMITED_INFORMATION, 0, GetCurrentProcessId());
    ASSERT_NE(handle, 0u);
    EXPECT_LE(handle, 0xFFFFFFFFu);  // the program keeps 32 bits
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
    EXPECT_EQ(GetProcessId(h), GetCurrentProcessId());
    CloseHandle(h);
    // No process has the id 0 to open.
    EXPECT_EQ(dll(vx::kDllOpenProcess, PROCESS_TERMINATE, 0, 0), 0u);
}

// Run only as the child of the next test, which ends it.
TEST(WindowsDllCommands, DISABLED_WaitsToBeEnded) { Sleep(60000); }

TEST(WindowsDllCommands, TerminateProcessEndsAnotherProcessWithTheCode) {
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=WindowsDllCommands.DISABLED_WaitsToBeEnded";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &start, &child));
    CloseHandle(child.hThread);
    const uint64_t handle = dll(vx::kDllOpenProcess, PROCESS_TERMINATE, 0, child.dwProcessId);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(dll(vx::kDllTerminateProcess, handle, 23), 1u);
    ASSERT_EQ(WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 23u);
    CloseHandle(child.hProcess);
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(handle))));
}

TEST(WindowsDllCommands, TerminatingTheOwnProcessEndsItAtOnce) {
    EXPECT_EXIT(
        {
            const uint64_t self = dll(vx::kDllOpenProcess, PROCESS_TERMINATE, 0, GetCurrentProcessId());
            dll(vx::kDllTerminateProcess, self, 42);
            fprintf(stderr, "still running\n");
        },
        ::testing::ExitedWithCode(42), "^$");
}

// The kernel's "read a file" as a dropped subtitle reaches it: a UTF-8 path.
std::string readThroughKernel(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    auto* block = static_cast<const uint8_t*>(
        vexrun::readFileAsByteSet(std::string_view(reinterpret_cast<const char*>(name.data()), name.size())));
    uint32_t head[2];
    std::memcpy(head, block, sizeof head);
    std::string bytes(reinterpret_cast<const char*>(block + 8), head[1]);
    vexrun::freeBlock(const_cast<uint8_t*>(block));
    return bytes;
}

// A subtitle as Windows users keep them: in a folder whose name has spaces and
// characters outside any ANSI code page, marked read-only, and open in another
// program (an editor, a sync tool) that may rename or delete it. Every byte
// comes, CR LF and a Ctrl+Z (end of file to a text-mode read) included.
TEST(WindowsFileReading, ADroppedSubtitleIsReadWholeWhereverItIsAndWhoeverHoldsIt) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::filesystem::path dir = std::filesystem::path(temp) / L"字幕 \u00dc \u0416 read";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / L"影片 1.srt";
    const std::string bytes = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC4\xE3\r\n\x1A after\n";
    HANDLE w = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(w, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(w);

    EXPECT_EQ(readThroughKernel(file), bytes);
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ | DELETE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readThroughKernel(file), bytes);
    CloseHandle(holder);
    // Held without sharing it cannot be read at all: the empty byte set.
    holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readThroughKernel(file), "");
    CloseHandle(holder);

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(dir);
}

}  // namespace
