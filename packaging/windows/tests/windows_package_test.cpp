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
constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Tessaly.Subtitle";
constexpr wchar_t kAppKey[] = L"Software\\Classes\\Applications\\tessaly.exe";
const std::vector<std::wstring> kSubtitleExtensions = {L".srt", L".ass", L".ssa", L".vtt", L".sbv", L".sub"};

std::wstring classesKey(const std::wstring& extension, const wchar_t* below = L"") {
    return L"Software\\Classes\\" + extension + below;
}

bool valueExists(const std::wstring& key, const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool keyExists(const wchar_t* key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

bool keyExists(const std::wstring& key) { return keyExists(key.c_str()); }

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

void setText(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
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

// The packaged command-line tool re-times a subtitle by one second.
void expectRetimes(const fs::path& tool, const fs::path& dir) {
    const fs::path in = dir / "in.srt", out = dir / "out.srt";
    launcher_test::writeFile(in, "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n");
    EXPECT_EQ(runCommand(L"\"" + tool.wstring() + L"\" --custom 1 +00:00:01,000 \"" + in.wstring() + L"\" \"" +
                         out.wstring() + L"\""),
              0u)
        << tool;
    EXPECT_EQ(readFile(out), "1\r\n00:00:02,000 --> 00:00:03,000\r\nA\r\n") << tool;
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
        RegDeleteTreeW(HKEY_CURRENT_USER, kProgIdKey);
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
        for (const std::wstring& extension : kSubtitleExtensions) {
            RegDeleteTreeW(HKEY_CURRENT_USER, classesKey(extension).c_str());
        }
        // The folder above the installation, when an earlier run left it
        // empty: the installer creates it anew.
        fs::remove(installDir_.parent_path(), ignored);
    }

    DWORD install(const std::wstring& options = L"") {
        return runCommand(L"\"" + fs::path(WINDOWS_SETUP).wstring() + L"\" /S" + options);
    }

    // As "Apps" does it, from the entry's quiet uninstall command; the
    // uninstaller goes on from a copy of itself, so its work is awaited.
    // The uninstaller of `dir` run in place (not from a copy of itself), so
    // that its exit code is its own.
    DWORD uninstallInPlace(const fs::path& dir) {
        return runCommand(L"\"" + (dir / "uninstall.exe").wstring() + L"\" /S _?=" + dir.wstring());
    }

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
    expectRetimes(dir / "tessaly-retime.exe", tree_.root());
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
    expectRetimes(installDir_ / "tessaly-retime.exe", tree_.root());

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

    // "Open with" for every subtitle extension, through our program id.
    const std::wstring command = L"\"" + (installDir_ / "tessaly.exe").wstring() + L"\" \"%1\"";
    EXPECT_EQ(registryText((std::wstring(kProgIdKey) + L"\\shell\\open\\command").c_str(), nullptr), command);
    EXPECT_EQ(registryText((std::wstring(kAppKey) + L"\\shell\\open\\command").c_str(), nullptr), command);
    for (const std::wstring& extension : kSubtitleExtensions) {
        EXPECT_TRUE(valueExists(classesKey(extension, L"\\OpenWithProgids"), L"Tessaly.Subtitle")) << extension.c_str();
        EXPECT_TRUE(valueExists(std::wstring(kAppKey) + L"\\SupportedTypes", extension.c_str()));
    }

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
    EXPECT_FALSE(keyExists(kProgIdKey));
    EXPECT_FALSE(keyExists(kAppKey));
    for (const std::wstring& extension : kSubtitleExtensions) EXPECT_FALSE(keyExists(classesKey(extension)));
    // The folder above it, which the installer made, is gone too.
    EXPECT_FALSE(fs::exists(installDir_.parent_path()));
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
    setText(kRecordKey, L"Path", other.wstring());
    // Another program's association of .srt, made before or after ours.
    setText(classesKey(L".srt").c_str(), nullptr, L"Other.Subtitle");
    setText(classesKey(L".srt", L"\\OpenWithProgids").c_str(), L"Other.Subtitle", L"");

    uninstall(dir);
    EXPECT_EQ(filesIn(dir), std::set<std::string>{"notes.txt"});
    EXPECT_EQ(registryText(kRecordKey, L"Path"), other.wstring());
    EXPECT_FALSE(fs::exists(shortcut_));
    EXPECT_EQ(registryText(classesKey(L".srt").c_str(), nullptr), L"Other.Subtitle");
    EXPECT_TRUE(valueExists(classesKey(L".srt", L"\\OpenWithProgids"), L"Other.Subtitle"));
    EXPECT_FALSE(valueExists(classesKey(L".srt", L"\\OpenWithProgids"), L"Tessaly.Subtitle"));
    EXPECT_FALSE(keyExists(classesKey(L".ass")));
}

TEST_F(WindowsPackage, UninstallRemovesTheEmptyFoldersTheInstallerMade) {
    // The installer makes "made\\by" and the folder; the user's file in "made"
    // keeps that one.
    const fs::path dir = tree_.root() / "made" / "by" / "Tessaly";
    ASSERT_EQ(install(L" /D=" + dir.wstring()), 0u);
    writeFile(tree_.root() / "made" / "mine.txt", "mine");
    uninstall(dir);
    EXPECT_FALSE(fs::exists(tree_.root() / "made" / "by"));
    EXPECT_EQ(filesIn(tree_.root() / "made"), std::set<std::string>{"mine.txt"});

    // Installed again over the same folder, the record of what the first
    // installation made stays.
    fs::remove_all(tree_.root() / "made");
    ASSERT_EQ(install(L" /D=" + dir.wstring()), 0u);
    ASSERT_EQ(install(L" /D=" + dir.wstring()), 0u);
    uninstall(dir);
    EXPECT_FALSE(fs::exists(tree_.root() / "made"));
}

TEST_F(WindowsPackage, NeitherInstallerNorUninstallerTouchesARunningTessaly) {
    ASSERT_EQ(install(), 0u);
    const std::set<std::string> installed = filesIn(installDir_);
    // The installed program, and a copy elsewhere that holds the installed
    // vexrun.vxe, each keep every file where it is until they are closed.
    const fs::path moved = tree_.dir("moved") / "tessaly.exe";
    copyFile(installDir_ / "tessaly.exe", moved);
    for (const fs::path& exe : {installDir_ / "tessaly.exe", moved}) {
        SCOPED_TRACE(exe.string());
        PROCESS_INFORMATION process;
        ASSERT_TRUE(launcher_test::startProgram(exe, tree_.root() / "out.txt", tree_.root() / "err.txt", process));
        HWND window = nullptr;
        EXPECT_TRUE(waitFor([&] { return (window = visibleWindow(process.dwProcessId, nullptr)) != nullptr; }, 30));

        EXPECT_EQ(uninstallInPlace(installDir_), 3u);  // silent: the user would be asked to close it
        EXPECT_EQ(filesIn(installDir_), installed);
        EXPECT_EQ(registryText(kRecordKey, L"Path"), installDir_.wstring());
        EXPECT_TRUE(keyExists(kUninstallKey));
        EXPECT_TRUE(fs::exists(shortcut_));
        EXPECT_EQ(install(), 3u);  // over the running copy: the same
        EXPECT_EQ(filesIn(installDir_), installed);

        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
        CloseHandle(process.hProcess);
    }
    // Closed, it goes.
    ASSERT_EQ(install(), 0u);
    uninstall(installDir_);
    EXPECT_FALSE(fs::exists(installDir_));
}

TEST_F(WindowsPackage, TheFolderPageSaysWhyItRefusesAFolderAndWhatWouldDo) {
    // The interactive installer, as a user goes through it: the licence
    // page, then the folder page with a folder it refuses and one it takes.
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + fs::path(WINDOWS_SETUP).wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process));
    CloseHandle(process.hThread);
    HWND setup = nullptr;
    ASSERT_TRUE(waitFor([&] { return (setup = visibleWindow(process.dwProcessId, "#32770")) != nullptr; }, 30));
    // The page is a dialog inside the installer's window; its controls: the
    // introduction (1006) and the folder (1019); the window's Install is IDOK.
    auto pageItem = [&](int id) { return GetDlgItem(FindWindowExW(setup, nullptr, L"#32770", nullptr), id); };
    auto textOf = [](HWND control) {
        wchar_t text[2048] = {};
        GetWindowTextW(control, text, 2048);
        return std::wstring(text);
    };
    SendMessageW(GetDlgItem(setup, IDOK), BM_CLICK, 0, 0);  // "I Agree"
    ASSERT_TRUE(waitFor([&] { return pageItem(1019) != nullptr; }, 10)) << "no folder page";
    const std::wstring intro = textOf(pageItem(1006));

    const fs::path tooLong = tree_.root() / std::string(249 - tree_.root().wstring().size() - 1, 'x');
    SendMessageW(pageItem(1019), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tooLong.c_str()));
    EXPECT_TRUE(waitFor([&] { return !IsWindowEnabled(GetDlgItem(setup, IDOK)); }, 10)) << "Install stays enabled";
    const std::wstring why = textOf(pageItem(1006));
    EXPECT_NE(why.find(tooLong.wstring()), std::wstring::npos) << fs::path(why).string();  // names it
    EXPECT_NE(why.find(installDir_.wstring()), std::wstring::npos) << fs::path(why).string();  // and one that would do

    SendMessageW(pageItem(1019), WM_SETTEXT, 0, reinterpret_cast<LPARAM>((tree_.root() / "fine").c_str()));
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(GetDlgItem(setup, IDOK)) != FALSE; }, 10));
    EXPECT_EQ(textOf(pageItem(1006)), intro);

    // Cancel, and yes to "quit?".
    PostMessageW(GetDlgItem(setup, IDCANCEL), BM_CLICK, 0, 0);
    HWND ask = nullptr;
    if (waitFor([&] {
            ask = visibleWindow(process.dwProcessId, "#32770");
            return ask && ask != setup;
        }, 10)) {
        PostMessageW(ask, WM_COMMAND, IDYES, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hProcess);
    EXPECT_FALSE(fs::exists(tooLong));
    EXPECT_FALSE(keyExists(kUninstallKey));
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
