// The Windows packages as a user meets them, under Wine: the program of the
// unpacked portable zip; the installer run silently; the installed program and
// a copy of it moved elsewhere started; the uninstaller run from the "Apps"
// entry, leaving nothing of the installation behind.
//
// A started program counts as running when its kernel library ran the image:
// either its window shows (then the kernel library it loaded is checked and
// the window closed, which ends the program with status 0), or, without the
// window layer, the image stops at its first window with the kernel library's
// message.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "launcher/tests/temp_tree.h"
#include "launcher/windows/tests/program_start.h"

namespace fs = std::filesystem;
using launcher_test::boxLabels;
using launcher_test::copyFile;
using launcher_test::readFile;
using launcher_test::visibleWindow;
using launcher_test::writeFile;

namespace {

constexpr wchar_t kRecordKey[] = L"Software\\Norvex\\Ovra\\Install";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";

bool keyExists(const wchar_t* key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

std::wstring registryText(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"?";
    return value;
}

fs::path knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    EXPECT_EQ(SHGetKnownFolderPath(id, 0, nullptr, &path), S_OK);
    fs::path result = path ? path : L"";
    CoTaskMemFree(path);
    return result;
}

std::set<std::string> filesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// Waits up to `seconds` for `done`, checking every 50 ms.
template <typename Done>
bool waitFor(Done done, int seconds) {
    const ULONGLONG deadline = GetTickCount64() + seconds * 1000ull;
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}

// Runs a command line and waits up to 60 s for it; its exit code, or -2.
DWORD runCommand(std::wstring command) {
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) {
        ADD_FAILURE() << "cannot start " << fs::path(command).string();
        return static_cast<DWORD>(-2);
    }
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-2);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        ADD_FAILURE() << "still running after 60 s: " << fs::path(command).string();
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hProcess);
    return code;
}

struct ProgramRun {
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string err;
    std::string box;         // caption and text of a message box
    bool windowShown = false;
    fs::path kernelModule;   // the kernel library it had loaded when its window showed
};

fs::path loadedKernel(DWORD processId) {
    fs::path kernel;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return kernel;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
        const std::wstring name = module.szModule;
        if (_wcsicmp(name.c_str(), L"vexrun.vxr") == 0 || _wcsicmp(name.c_str(), L"vexrun.vxe") == 0) {
            kernel = module.szExePath;
        }
    }
    CloseHandle(snapshot);
    return kernel;
}

// Starts `exe` in its own folder with standard error in a file of `scratch`,
// closes its window or answers its message box, and waits at most 30 s.
ProgramRun startProgram(const fs::path& exe, const fs::path& scratch) {
    ProgramRun run;
    const fs::path errFile = scratch / "err.txt";
    PROCESS_INFORMATION process;
    if (!launcher_test::startProgram(exe, scratch / "out.txt", errFile, process)) {
        ADD_FAILURE() << "cannot start " << exe;
        return run;
    }
    bool answered = false;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        if (GetTickCount64() > deadline) {
            run.timedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        const HWND shown = visibleWindow(process.dwProcessId, nullptr);
        if (!shown || answered) continue;
        answered = true;
        char className[32] = {};
        GetClassNameA(shown, className, sizeof className);
        if (strcmp(className, "#32770") == 0) {
            char caption[256] = {};
            GetWindowTextA(shown, caption, sizeof caption);
            const std::string labels = boxLabels(shown);
            run.box = labels.empty() ? caption : caption + ("|" + labels);
            PostMessageA(shown, WM_COMMAND, IDOK, 0);
        } else {
            run.windowShown = true;
            run.kernelModule = loadedKernel(process.dwProcessId);
            PostMessageA(shown, WM_CLOSE, 0, 0);
        }
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    run.err = readFile(errFile);
    return run;
}

void expectRanTheImage(const ProgramRun& run, const fs::path& kernel) {
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.box, "") << run.err;
    ASSERT_TRUE(run.windowShown) << run.err;
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.kernelModule.empty() ? "" : fs::canonical(run.kernelModule).string(),
              fs::canonical(kernel).string());
}

void expectKernelNotFound(const ProgramRun& run) {
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.box, "Error|Not found the kernel library or the kernel library is invalid!");
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
}

class WindowsPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override { removeInstallation(); }
    void TearDown() override { removeInstallation(); }

    // What an earlier run may have left, and the record of the launcher test.
    void removeInstallation() {
        std::error_code ignored;
        fs::remove_all(installDir_, ignored);
        fs::remove(shortcut_, ignored);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvex");
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    }

    DWORD install(const std::wstring& options = L"") {
        return runCommand(L"\"" + fs::path(WINDOWS_SETUP).wstring() + L"\" /S" + options);
    }

    // As "Apps" does it, from the entry's quiet uninstall command; the
    // uninstaller goes on from a copy of itself, so its work is awaited.
    void uninstall(const fs::path& dir) {
        const std::wstring quiet = registryText(kUninstallKey, L"QuietUninstallString");
        EXPECT_EQ(quiet, L"\"" + (dir / "uninstall.exe").wstring() + L"\" /S");
        EXPECT_EQ(runCommand(quiet), 0u);
        EXPECT_TRUE(waitFor([&] { return !fs::exists(dir / "uninstall.exe") && !keyExists(kUninstallKey); }, 30));
    }

    const fs::path installDir_ = knownFolder(FOLDERID_LocalAppData) / "Programs" / "Tessaly";
    const fs::path shortcut_ = knownFolder(FOLDERID_Programs) / "Tessaly.lnk";
    launcher_test::TempTree tree_;
};

TEST_F(WindowsPackage, PortableFolderRunsWithTheKernelLibraryBesideTheProgram) {
    // No installation record: only the library beside the program can serve.
    const fs::path dir = WINDOWS_PORTABLE_DIR;
    expectRanTheImage(startProgram(dir / "tessaly.exe", tree_.root()), dir / "vexrun.vxr");
}

TEST_F(WindowsPackage, InstallsRunsFromElsewhereAndUninstallsWithoutTrace) {
    ASSERT_EQ(install(), 0u);

    // The files: the zip's, and the kernel library once more under the name
    // the launcher looks for in the recorded folder.
    const fs::path portable = WINDOWS_PORTABLE_DIR;
    std::set<std::string> expected = filesIn(portable);
    expected.insert({"vexrun.vxe", "uninstall.exe"});
    ASSERT_EQ(filesIn(installDir_), expected);
    for (const auto& entry : fs::directory_iterator(portable)) {
        const fs::path name = entry.path().filename();
        EXPECT_TRUE(readFile(installDir_ / name) == readFile(entry.path())) << name;
    }
    EXPECT_TRUE(readFile(installDir_ / "vexrun.vxe") == readFile(installDir_ / "vexrun.vxr"));

    // The installation record, the "Apps" entry and the Start-menu shortcut
    // with the program's icon.
    EXPECT_EQ(registryText(kRecordKey, L"Path"), installDir_.wstring());
    EXPECT_EQ(registryText(kUninstallKey, L"DisplayName"), L"Tessaly");
    EXPECT_EQ(registryText(kUninstallKey, L"DisplayVersion"), L"1.0.0.0");
    EXPECT_EQ(registryText(kUninstallKey, L"Publisher"), L"The Tessaly developers");
    EXPECT_EQ(registryText(kUninstallKey, L"DisplayIcon"), (installDir_ / "tessaly.exe").wstring() + L",0");
    EXPECT_EQ(registryText(kUninstallKey, L"UninstallString"), L"\"" + (installDir_ / "uninstall.exe").wstring() + L"\"");
    IShellLinkW* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    ASSERT_EQ(file->Load(shortcut_.c_str(), STGM_READ), S_OK) << shortcut_;
    wchar_t target[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int iconIndex = -1;
    EXPECT_EQ(link->GetPath(target, MAX_PATH, nullptr, 0), S_OK);
    EXPECT_EQ(link->GetIconLocation(icon, MAX_PATH, &iconIndex), S_OK);
    file->Release();
    link->Release();
    EXPECT_EQ(fs::path(target), installDir_ / "tessaly.exe");
    EXPECT_EQ(fs::path(icon), installDir_ / "tessaly.exe");
    EXPECT_EQ(iconIndex, 0);
    EXPECT_EQ(ExtractIconExW(icon, -1, nullptr, nullptr, 0), 1u);  // the program holds its icon

    // The installed program, and a copy of it in a folder of its own that
    // finds the kernel library through the record.
    expectRanTheImage(startProgram(installDir_ / "tessaly.exe", tree_.root()), installDir_ / "vexrun.vxr");
    const fs::path moved = tree_.dir("moved") / "tessaly.exe";
    copyFile(installDir_ / "tessaly.exe", moved);
    expectRanTheImage(startProgram(moved, tree_.root()), installDir_ / "vexrun.vxe");

    uninstall(installDir_);
    EXPECT_FALSE(fs::exists(installDir_));
    EXPECT_FALSE(fs::exists(shortcut_));
    EXPECT_FALSE(keyExists(L"Software\\Norvex"));
    EXPECT_FALSE(keyExists(kUninstallKey));
    // The moved copy has nothing left to find.
    expectKernelNotFound(startProgram(moved, tree_.root()));
}

TEST_F(WindowsPackage, UninstallKeepsTheUsersFilesAndAnotherInstallationsRecord) {
    const fs::path dir = tree_.dir("chosen folder");
    ASSERT_EQ(install(L" /D=" + dir.wstring()), 0u);
    EXPECT_EQ(registryText(kRecordKey, L"Path"), dir.wstring());
    EXPECT_FALSE(fs::exists(installDir_));
    writeFile(dir / "notes.txt", "mine");
    const fs::path other = tree_.dir("other runtime");
    RegSetKeyValueW(HKEY_CURRENT_USER, kRecordKey, L"Path", REG_SZ, other.c_str(),
                    static_cast<DWORD>((other.wstring().size() + 1) * sizeof(wchar_t)));

    uninstall(dir);
    EXPECT_EQ(filesIn(dir), std::set<std::string>{"notes.txt"});
    EXPECT_EQ(registryText(kRecordKey, L"Path"), other.wstring());
    EXPECT_FALSE(fs::exists(shortcut_));
}

TEST_F(WindowsPackage, RefusesAFolderTheProgramCouldNotStartFrom) {
    // Longer than the launcher's path buffer allows: in characters, or in
    // the bytes of UTF-8 (the launcher's ANSI code page) only; and (unless
    // the system code page is UTF-8) a character without an ANSI form.
    std::vector<fs::path> folders{tree_.root() / std::string(249 - tree_.root().wstring().size() - 1, 'x'),
                                  tree_.root() / std::wstring(120, L'\x00E9')};
    ASSERT_EQ(folders[0].wstring().size(), 249u);
    ASSERT_LE(folders[1].wstring().size(), 248u);
    if (GetACP() != CP_UTF8) folders.push_back(tree_.root() / L"\x0E01");
    for (const fs::path& dir : folders) {
        SCOPED_TRACE(dir.wstring().size());
        EXPECT_EQ(install(L" /D=" + dir.wstring()), 2u);
        EXPECT_FALSE(fs::exists(dir));
        EXPECT_FALSE(keyExists(kRecordKey));
        EXPECT_FALSE(keyExists(kUninstallKey));
    }
}

}  // namespace
