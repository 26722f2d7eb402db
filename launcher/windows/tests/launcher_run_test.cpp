// The real tessaly.exe, copied into temporary folders with stand-in kernel
// libraries beside it or in an installation directory recorded in the
// registry, run as a user would start it: the search cases shared with Linux
// (launcher_cases.cpp), and what only Windows has (the registry value's
// forms, the executable's sections and resources, the real kernel library).
//
// A stand-in prints "<marker> loaded <path>", "<marker> hook <argument>" and
// "<marker> entry image=<address> bytes=<first four>" on standard output, and
// "<marker> unloaded" on standard error when it is released. A failure shows
// a message box: the test reads its caption and text, notes what was on
// standard error at that moment, and presses OK.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launcher/tests/launcher_cases.h"
#include "launcher/tests/temp_tree.h"
#include "launcher/windows/tests/program_start.h"

namespace fs = std::filesystem;

namespace launcher_test {
namespace {

constexpr char kKeyParent[] = "Software\\Norvex";
constexpr char kKey[] = "Software\\Norvex\\Ovra\\Install";
constexpr char kMessage[] = "Not found the kernel library or the kernel library is invalid!";

struct RunResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    bool windowClosed = false;  // the program's main window was there, and was closed
    std::string out, err;
    bool boxShown = false;
    std::string boxCaption, boxText;
    std::string errAtBox;  // standard error when the box was up
};

// Starts `exe` with its output in files of `scratch`, answers a message box
// if one comes, closes the program's main window when it shows, and waits at
// most 30 seconds for the end.
RunResult run(const fs::path& exe, const fs::path& scratch) {
    RunResult result;
    const fs::path outFile = scratch / "out.txt", errFile = scratch / "err.txt";
    PROCESS_INFORMATION process;
    const bool started = startProgram(exe, outFile, errFile, process);
    EXPECT_TRUE(started) << "cannot start " << exe;
    if (!started) return result;

    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        if (GetTickCount64() > deadline) {
            result.timedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        const HWND mainWindow = result.windowClosed ? nullptr : visibleWindow(process.dwProcessId, "TessalyWindow");
        if (mainWindow) {
            result.windowClosed = true;
            PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        }
        const HWND box = visibleWindow(process.dwProcessId, "#32770");
        if (!box || result.boxShown) continue;
        result.boxShown = true;
        char caption[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        result.boxCaption = caption;
        result.boxText = boxLabels(box);
        result.errAtBox = readFile(errFile);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

// The executable's first writable section: where it lies once loaded (the
// preferred image base, the executable is not relocated, plus the section's
// address) and its bytes in the file.
struct DataSection {
    uint64_t address = 0;
    std::string bytes;
};

DataSection dataSection(const fs::path& exe) {
    const std::string file = readFile(exe);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(file.data() + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, 0)
        << "the executable must load at its own base";
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (section->Characteristics & IMAGE_SCN_MEM_WRITE) {
            return {nt->OptionalHeader.ImageBase + section->VirtualAddress,
                    file.substr(section->PointerToRawData, section->SizeOfRawData)};
        }
    }
    return {};
}

TEST(EmbeddedImage, IsTheLinuxBuildsImageByteForByteAtTheStartOfTheDataSection) {
    const std::string image = readFile(LAUNCHER_IMAGE_FILE);
    ASSERT_GT(image.size(), 4u);
    const DataSection data = dataSection(LAUNCHER_EXE);
    ASSERT_GE(data.bytes.size(), image.size());
    EXPECT_TRUE(data.bytes.compare(0, image.size(), image) == 0);
    EXPECT_LT(data.address + data.bytes.size(), 0x80000000u);
}

std::string versionText(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return value;
}

TEST(Resources, VersionBlockAndTheWindowIconAt48x48In32Bits) {
    const std::string exe = LAUNCHER_EXE;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);  // .0.0
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(versionText(block, "FileVersion"), "1.0.0.0");
    EXPECT_EQ(versionText(block, "ProductVersion"), "1.0.0.0");
    EXPECT_EQ(versionText(block, "FileDescription"), "Re-times SRT subtitles to fit another release of a film");
    EXPECT_EQ(versionText(block, "CompanyName"), "The Tessaly developers");

    // The icon group holds one 48 x 48 image of 32 bits, the window icon's
    // bytes as the Linux build wrote them.
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir[4], 1);                    // one image
    EXPECT_EQ(dir[6], 48);                   // width
    EXPECT_EQ(dir[7], 48);                   // height
    EXPECT_EQ(dir[6 + 6] | dir[6 + 7] << 8, 32);  // bits per pixel
    const std::string ico = readFile(LAUNCHER_ICON_FILE);
    const uint16_t id = static_cast<uint16_t>(dir[6 + 12] | dir[6 + 13] << 8);
    HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
    ASSERT_NE(image, nullptr);
    const uint32_t offset = static_cast<uint8_t>(ico[18]) | static_cast<uint8_t>(ico[19]) << 8;
    ASSERT_EQ(SizeofResource(module, image), ico.size() - offset);
    EXPECT_EQ(memcmp(LockResource(LoadResource(module, image)), ico.data() + offset, ico.size() - offset), 0);
    FreeLibrary(module);
}

// What the shared cases read of a run: the box stands for the message.
Outcome outcomeOf(const RunResult& result) {
    EXPECT_FALSE(result.timedOut);
    if (result.boxShown) {
        EXPECT_EQ(result.boxCaption, "Error");
        EXPECT_EQ(result.boxText, kMessage);
    }
    return {static_cast<int>(result.exitCode), result.boxShown, result.out,
            result.boxShown ? result.errAtBox : result.err};
}

}  // namespace

// ---- What the shared cases need of Windows ----

fs::path placeLauncher(const fs::path& dir) {
    const fs::path exe = dir / "tessaly.exe";
    copyFile(LAUNCHER_EXE, exe);
    return exe;
}

// Windows holds no file at a path of MAX_PATH characters or more (without
// long-path support): such a library is not placed, and the launcher, whose
// buffer is MAX_PATH bytes, must fail there either way.
void placeLibrary(const fs::path& from, const fs::path& to) {
    if (to.string().size() < MAX_PATH) copyFile(from, to);
}

// The "Path" value, stored with its NUL.
void writeRecord(const TempTree&, const std::string& directory) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Path", REG_SZ, directory.c_str(),
                              static_cast<DWORD>(directory.size() + 1)),
              ERROR_SUCCESS);
}

void forgetRecord() { RegDeleteTreeA(HKEY_CURRENT_USER, kKeyParent); }

Outcome start(const TempTree& tree, const fs::path& exe) { return outcomeOf(run(exe, tree.root())); }

namespace {

class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override { forgetRecord(); }
    void TearDown() override { forgetRecord(); }

    fs::path root() const { return tree_.root(); }

    TempTree tree_;
};

TEST_F(LauncherRun, RuntimeEntryGetsTheStartOfTheDataSectionBelow2GiB) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");

    const Outcome outcome = start(tree_, exe);
    expectRan(outcome, "local", app / "vexrun.vxr");
    const uint64_t data = dataSection(exe).address;
    ASSERT_NE(data, 0u);
    EXPECT_LT(data, 0x80000000u);
    char address[48];
    snprintf(address, sizeof address, "image=%p ", reinterpret_cast<void*>(data));
    EXPECT_NE(outcome.out.find(address), std::string::npos) << outcome.out << " should hold " << address;
}

TEST_F(LauncherRun, ValueStoredWithoutItsNulIsReadWhole) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const fs::path installed = tree_.dir("installed\\rtA");
    copyFile(STAND_IN_INSTALLED, installed / "vexrun.vxe");
    const std::string path = installed.string();
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Path", REG_SZ, path.c_str(), static_cast<DWORD>(path.size())),
              ERROR_SUCCESS);

    expectRan(start(tree_, exe), "installed", installed / "vexrun.vxe");
}

TEST_F(LauncherRun, RegistryWithoutADirectoryFails) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    // The key without the value, then the value empty.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    expectFailure(start(tree_, exe));
    writeRecord(tree_, "");
    expectFailure(start(tree_, exe));
}

// --- The real kernel library ----------------------------------------------------

TEST_F(LauncherRun, RealKernelLibraryRunsTheImageWithTheFiveSupportLibraries) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(KERNEL_LIBRARY, app / "vexrun.vxr");
    for (const char* library : {SUPPORT_LIBRARIES}) copyFile(library, app / fs::path(library).filename());

    // Loaded, relocated, run from the entry routine to its window; closing
    // the window ends the process through the program's own handler.
    const RunResult result = run(exe, root());
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(result.windowClosed);
    EXPECT_FALSE(result.boxShown) << result.boxText;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0u);
}

// --- Folders named outside the ANSI code page ----------------------------------

std::string utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Through its manifest the launcher's ANSI calls work in UTF-8: it starts
// from, and finds its installed library in, folders named in any language.
TEST_F(LauncherRun, FoldersNamedOutsideTheAnsiCodePageAreFound) {
    const fs::path app = root() / fs::path(u8"程序 Ж"), installed = root() / fs::path(u8"字幕 Ω");
    fs::create_directories(app);
    fs::create_directories(installed);
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");
    RunResult result = run(exe, root());
    EXPECT_EQ(result.exitCode, 0u) << result.boxText;
    EXPECT_EQ(result.out.rfind("local loaded " + utf8Of(app / "vexrun.vxr") + "\n", 0), 0u) << result.out;

    fs::remove(app / "vexrun.vxr");
    copyFile(STAND_IN_INSTALLED, installed / "vexrun.vxe");
    const std::wstring record = installed.wstring();
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Norvex\\Ovra\\Install", L"Path", REG_SZ, record.c_str(),
                              static_cast<DWORD>((record.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    result = run(exe, root());
    EXPECT_EQ(result.exitCode, 0u) << result.boxText;
    EXPECT_EQ(result.out.rfind("installed loaded " + utf8Of(installed / "vexrun.vxe") + "\n", 0), 0u) << result.out;
}

}  // namespace
}  // namespace launcher_test
