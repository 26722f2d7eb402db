// Starting the program (or a copy of it) as the Windows tests do, and finding
// the windows it shows: in its own folder, standard input from NUL, standard
// output and error in files the test reads afterwards.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace launcher_test {

// A file the started program inherits as a standard handle.
inline HANDLE inheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts `exe` in its own folder with its output in `out` and `err`. False
// when it cannot start; otherwise `process.hProcess` is the caller's to close.
inline bool startProgram(const std::filesystem::path& exe, const std::filesystem::path& out,
                         const std::filesystem::path& err, PROCESS_INFORMATION& process) {
    HANDLE input = inheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = inheritableFile(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = inheritableFile(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = input;
    start.hStdOutput = output;
    start.hStdError = error;
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    process = {};
    const BOOL started = CreateProcessW(exe.wstring().c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        exe.parent_path().wstring().c_str(), &start, &process);
    CloseHandle(input);
    CloseHandle(output);
    CloseHandle(error);
    if (started) CloseHandle(process.hThread);
    return started;
}

// A visible top-level window of the process, of the class `className` (any
// class when null); null when there is none.
inline HWND visibleWindow(DWORD processId, const char* className) {
    struct Search {
        DWORD processId;
        const char* className;
        HWND found;
    } search{processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            if (owner != s->processId || !IsWindowVisible(window) || (s->className && strcmp(name, s->className)))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of a message box's labels, joined by "|".
inline std::string boxLabels(HWND box) {
    std::string texts;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM parameter) -> BOOL {
            char text[512] = {};
            char name[32] = {};
            GetClassNameA(child, name, sizeof name);
            if (_stricmp(name, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
                auto* joined = reinterpret_cast<std::string*>(parameter);
                if (!joined->empty()) *joined += "|";
                *joined += text;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

}  // namespace launcher_test
