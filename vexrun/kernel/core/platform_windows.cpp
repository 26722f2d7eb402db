// The kernel core on Windows: memory below 2 GiB through the zero-bits mask
// of NtAllocateVirtualMemory (or a scan of the address space where that is
// refused), libraries through LoadLibraryW, the real kernel32 process
// functions. Paths are UTF-8 inside the core and wide at the system calls.
#include "vexrun/kernel/core/platform.h"

#include <fcntl.h>
#include <io.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace vexrun::platform {
namespace {

constexpr uintptr_t kLimit = 0x80000000u;

// Standard error and output carry bytes as written: no LF to CR LF.
__attribute__((constructor)) void useBinaryStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string utf8(const wchar_t* text, size_t length) {
    if (length == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

// "Windows error 126: The specified module could not be found."
std::string systemError(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = "Windows error " + std::to_string(code);
    if (n && text) {
        size_t length = n;
        while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
            --length;
        }
        message += ": " + utf8(text, length);
    }
    if (text) LocalFree(text);
    return message;
}

using NtAllocateVirtualMemoryFn = LONG(NTAPI*)(HANDLE process, void** base, ULONG_PTR zeroBits, SIZE_T* size,
                                               ULONG type, ULONG protection);

// Zero bits above 32 are a mask the whole allocation must fit: 0x7FFFFFFF
// keeps it below 2 GiB on every 64-bit Windows.
void* allocateWithZeroBits(size_t bytes, DWORD protection) {
    static const auto allocate = reinterpret_cast<NtAllocateVirtualMemoryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtAllocateVirtualMemory")));
    if (!allocate) return nullptr;
    void* base = nullptr;
    SIZE_T size = bytes;
    if (allocate(GetCurrentProcess(), &base, 0x7FFFFFFF, &size, MEM_COMMIT | MEM_RESERVE, protection) != 0) {
        return nullptr;
    }
    if (reinterpret_cast<uintptr_t>(base) + size > kLimit) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    return base;
}

// The first free range below 2 GiB that is large enough, taken at its
// 64 KiB-aligned start.
void* allocateByScanning(size_t bytes, DWORD protection) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const uintptr_t granularity = info.dwAllocationGranularity;
    uintptr_t at = granularity;
    MEMORY_BASIC_INFORMATION region;
    while (at + bytes <= kLimit && VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region)) {
        const uintptr_t end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (region.State == MEM_FREE) {
            const uintptr_t start = (at + granularity - 1) / granularity * granularity;
            if (start + bytes <= end && start + bytes <= kLimit) {
                void* m = VirtualAlloc(reinterpret_cast<void*>(start), bytes, MEM_COMMIT | MEM_RESERVE, protection);
                if (m) return m;
            }
        }
        at = end;
    }
    return nullptr;
}

bool readable(const MEMORY_BASIC_INFORMATION& r) {
    if (r.State != MEM_COMMIT || (r.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
    return (r.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

}  // namespace

void* mapBelow2GiB(size_t bytes, bool executable, std::string& why) noexcept {
    const DWORD protection = executable ? PAGE_EXECUTE_READWRITE : PAGE_READWRITE;
    if (void* m = allocateWithZeroBits(bytes, protection)) return m;
    if (void* m = allocateByScanning(bytes, protection)) return m;
    why = "no free range of " + std::to_string(bytes) + " bytes below 2 GiB (" + systemError(GetLastError()) + ")";
    return nullptr;
}

void unmapBelow2GiB(void* address, size_t) noexcept { VirtualFree(address, 0, MEM_RELEASE); }

void protectReadOnly(void* address, size_t bytes) noexcept {
    DWORD old;
    VirtualProtect(address, bytes, PAGE_READONLY, &old);
}

bool makeCodeWritable(void* first, size_t bytes, std::string& why) noexcept {
    DWORD old;
    if (VirtualProtect(first, bytes, PAGE_READWRITE, &old)) return true;
    why = systemError(GetLastError());
    return false;
}

// Relocated code is read-execute, never writable and executable at once.
bool makeCodeExecutable(void* first, size_t bytes, std::string& why) noexcept {
    DWORD old;
    if (VirtualProtect(first, bytes, PAGE_EXECUTE_READ, &old)) {
        FlushInstructionCache(GetCurrentProcess(), first, bytes);
        return true;
    }
    why = systemError(GetLastError());
    return false;
}

size_t readableExtent(const void* address) noexcept {
    const auto a = reinterpret_cast<uintptr_t>(address);
    MEMORY_BASIC_INFORMATION r;
    if (!VirtualQuery(address, &r, sizeof r) || !readable(r)) return 0;
    uintptr_t end = reinterpret_cast<uintptr_t>(r.BaseAddress) + r.RegionSize;
    while (VirtualQuery(reinterpret_cast<void*>(end), &r, sizeof r) && readable(r)) {
        end = reinterpret_cast<uintptr_t>(r.BaseAddress) + r.RegionSize;
    }
    return end - a;
}

void* openLibrary(const std::string& path, std::string& why) noexcept {
    // No error dialog of the system's own for a file that is not a library.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = LoadLibraryW(wide(path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(oldMode);
    if (!handle) why = path + ": " + systemError(code);
    return reinterpret_cast<void*>(handle);
}

void* librarySymbol(void* library, const char* name) noexcept {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) noexcept { FreeLibrary(static_cast<HMODULE>(library)); }

std::string ownDirectory() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ownDirectory), &self)) {
        return ".";
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return ".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return ".";
    return utf8(path.data(), slash);
}

std::string environmentValue(const char* name) {
    const std::wstring wideName = wide(name);
    const DWORD n = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), n);
    return got < n ? utf8(value.data(), got) : std::string();
}

uint64_t getCurrentProcessId(uint64_t, uint64_t, uint64_t) noexcept { return GetCurrentProcessId(); }

// A kernel handle's value fits 32 bits; the program keeps the low half and
// hands it back sign-extended.
uint64_t openProcess(uint64_t access, uint64_t inherit, uint64_t processId) noexcept {
    HANDLE h = OpenProcess(static_cast<DWORD>(access), static_cast<BOOL>(static_cast<uint32_t>(inherit) != 0),
                           static_cast<DWORD>(processId));
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
}

uint64_t terminateProcess(uint64_t handle, uint64_t exitCode, uint64_t) noexcept {
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
    return TerminateProcess(h, static_cast<UINT>(exitCode)) ? 1 : 0;
}

void writeStandardError(std::string_view s) noexcept {
    fflush(stderr);
    while (!s.empty()) {
        const int n = _write(_fileno(stderr), s.data(), static_cast<unsigned>(s.size()));
        if (n <= 0) return;
        s.remove_prefix(static_cast<size_t>(n));
    }
}

void exitNow(int status) noexcept { _exit(status); }

double parseDoubleInCLocale(const char* text) noexcept {
    static const _locale_t cLocale = _create_locale(LC_ALL, "C");
    if (!cLocale) return strtod(text, nullptr);
    return _strtod_l(text, nullptr, cLocale);
}

// Paths are UTF-8 (a dropped file's path comes so), opened through the wide
// call. The file is shared for reading, writing and deleting, as the drop
// target's check opens it: a subtitle that an editor or a sync tool holds open
// (even one that may rename it) is read all the same.
int openFileForReading(const std::string& path) noexcept {
    try {
        HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return -1;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
        if (fd < 0) CloseHandle(file);
        return fd;
    } catch (...) {
        return -1;
    }
}

int openFileForWriting(const std::string& path) noexcept {
    try {
        HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file == INVALID_HANDLE_VALUE) return -1;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
        if (fd < 0) CloseHandle(file);
        return fd;
    } catch (...) {
        return -1;
    }
}

bool replaceFile(const std::string& from, const std::string& to) noexcept {
    try {
        return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } catch (...) {
        return false;
    }
}

void removeFile(const std::string& path) noexcept {
    try {
        DeleteFileW(wide(path).c_str());
    } catch (...) {
    }
}

std::string homeFolder() {
    std::string home = environmentValue("USERPROFILE");
    return home.empty() ? "." : home;
}

std::vector<std::string> processArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8(list[i], wcslen(list[i])));
    LocalFree(list);
    return arguments;
}

std::wstring wideText(const std::string& utf8) { return wide(utf8); }

std::wstring commandLine(const std::vector<std::string>& args) {
    std::wstring line;
    for (const std::string& text : args) {
        const std::wstring arg = wide(text);
        if (!line.empty()) line += L' ';
        if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
            line += arg;
            continue;
        }
        line += L'"';
        size_t backslashes = 0;
        for (wchar_t c : arg) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, L'\\');
        line += L'"';
    }
    return line;
}

}  // namespace vexrun::platform
