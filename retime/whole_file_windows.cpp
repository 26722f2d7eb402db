// Reading a whole subtitle and writing a result only once it is complete, on
// Windows: paths are UTF-8 (the arguments as the kernel core reads them) and
// wide at the system calls; every stream carries bytes as they are.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstring>

#include "retime/messages.h"
#include "retime/whole_file.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/text/text_encoding.h"

namespace retime {
namespace {

bool isStandardStream(const std::string& path) { return path.empty() || path == "-"; }

std::wstring wide(const std::string& utf8) { return vexrun::platform::wideText(utf8); }

// Why a call failed, in the words the tool uses on Linux where there are
// such words, else the system's own.
std::string reason(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return say("No such file or directory");
    case ERROR_ACCESS_DENIED: return say("Permission denied");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return say("another program holds it locked");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return say("No space left on device");
    default: break;
    }
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    for (DWORD i = 0; text && i < n; ++i) message += static_cast<char16_t>(text[i]);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' ' ||
                                message.back() == u'.')) {
        message.pop_back();
    }
    const std::string words = vexrun::text::encode(message, vexrun::text::Encoding::Utf8);
    return words.empty() ? say("Windows error %s", {std::to_string(code)}) : words;
}
std::string lastReason() { return reason(GetLastError()); }

constexpr uint64_t kFirstCapacity = 64 * 1024;

bool writeAll(HANDLE file, const uint8_t* data, uint64_t count) {
    while (count > 0) {
        DWORD written = 0;
        const DWORD chunk = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        count -= written;
    }
    return true;
}

// A file's identity: its volume and its index there.
FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return FileIdentity{true, info.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// What is at `path`: nothing, a disk file (with its information), a
// directory, or a device or pipe (NUL, CON, a named pipe).
enum class Kind { None, File, Directory, Device };
Kind kindOf(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info, DWORD& error) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return Kind::None;
    }
    Kind kind = Kind::Device;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info)) {
        kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory : Kind::File;
    }
    CloseHandle(h);
    return kind;
}

// The temporary file being written, removed when the console's Ctrl+C,
// Ctrl+Break or closing ends the tool. The lock keeps the removal and the
// final rename apart: either the output is whole, or nothing is written.
SRWLOCK gTemporaryLock = SRWLOCK_INIT;
const wchar_t* gTemporary = nullptr;

BOOL WINAPI removeTemporaryAndEnd(DWORD) {
    AcquireSRWLockExclusive(&gTemporaryLock);
    if (gTemporary) DeleteFileW(gTemporary);
    gTemporary = nullptr;
    // Held to the end: the process ends by the system's own handler next.
    return FALSE;
}

class TemporaryWatch {
public:
    explicit TemporaryWatch(const std::wstring& path) : path_(path) {
        AcquireSRWLockExclusive(&gTemporaryLock);
        gTemporary = path_.c_str();
        ReleaseSRWLockExclusive(&gTemporaryLock);
        SetConsoleCtrlHandler(removeTemporaryAndEnd, TRUE);
    }
    ~TemporaryWatch() {
        AcquireSRWLockExclusive(&gTemporaryLock);
        gTemporary = nullptr;
        ReleaseSRWLockExclusive(&gTemporaryLock);
        SetConsoleCtrlHandler(removeTemporaryAndEnd, FALSE);
    }
    TemporaryWatch(const TemporaryWatch&) = delete;
    TemporaryWatch& operator=(const TemporaryWatch&) = delete;

private:
    std::wstring path_;
};

// A new file beside `target` under a name of its own: ".NAME.retime-XXXXXX"
// (UTF-8, as paths are here).
HANDLE createTemporary(const std::string& target, std::string& temp) {
    const size_t slash = target.find_last_of("\\/:");
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    LARGE_INTEGER tick;
    QueryPerformanceCounter(&tick);
    uint64_t seed = static_cast<uint64_t>(tick.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            suffix += kLetters[(seed >> 33) % 36];
        }
        temp = dir + "." + base + ".retime-" + suffix;
        HANDLE h = CreateFileW(wide(temp).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool readWholeInput(const std::string& path, uint64_t maxBytes, ByteBuffer& bytes, std::string& error,
                    FileIdentity* identity) {
    bytes.release();
    const bool standard = isStandardStream(path);
    const std::string name = standard ? say("standard input") : "'" + path + "'";
    if (!standard) {
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = say("cannot read %s: %s", {name, say("Is a directory")});
            return false;
        }
    }
    // The kernel core's reading: the wide call, shared so that a file another
    // program holds open is read all the same.
    const int fd = standard ? 0 : vexrun::platform::openFileForReading(path);
    if (fd < 0) {
        error = say("cannot read %s: %s", {name, lastReason()});
        return false;
    }
    if (standard) _setmode(fd, _O_BINARY);
    auto fail = [&](const std::string& why) {
        error = say("cannot read %s: %s", {name, why});
        if (!standard) _close(fd);
        bytes.release();
        return false;
    };

    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
    if (identity && regular) *identity = identityOf(info);
    const uint64_t fileSize = regular ? (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow : 0;
    const std::string tooLarge = say("it is larger than %s bytes", {std::to_string(maxBytes)});
    if (regular && fileSize > maxBytes) return fail(tooLarge);

    // As on Linux: a file into room for its size and one byte more, anything
    // else growing by half again, never past one byte beyond the limit.
    uint64_t capacity = regular ? fileSize + 1 : kFirstCapacity;
    bytes.reserve(capacity < maxBytes + 1 ? capacity : maxBytes + 1);
    for (;;) {
        if (bytes.room() == 0) {
            if (bytes.size() > maxBytes) return fail(tooLarge);
            const uint64_t grown = bytes.size() + bytes.size() / 2;
            bytes.reserve(grown < maxBytes + 1 ? grown : maxBytes + 1);
        }
        DWORD got = 0;
        const DWORD want = bytes.room() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.room());
        if (!ReadFile(handle, bytes.end(), want, &got, nullptr)) {
            // A pipe whose writer has gone has simply ended.
            if (GetLastError() == ERROR_BROKEN_PIPE) break;
            return fail(lastReason());
        }
        if (got == 0) break;
        bytes.grow(got);
    }
    if (bytes.size() > maxBytes) return fail(tooLarge);
    if (!standard) _close(fd);
    return true;
}

bool writeWholeOutput(const std::string& path, const uint8_t* data, uint64_t count, std::string& error,
                      const FileIdentity& input) {
    if (isStandardStream(path)) {
        _setmode(1, _O_BINARY);
        if (writeAll(reinterpret_cast<HANDLE>(_get_osfhandle(1)), data, count)) return true;
        error = say("cannot write standard output: %s", {lastReason()});
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = say("cannot write '%s': %s", {path, why});
        return false;
    };

    const std::wstring target = wide(path);
    BY_HANDLE_FILE_INFORMATION existing{};
    DWORD missing = 0;
    const Kind kind = kindOf(target, existing, missing);
    if (kind == Kind::None && missing != ERROR_FILE_NOT_FOUND) return fail(reason(missing));
    if (kind == Kind::Directory) return fail(say("Is a directory"));

    // A device (NUL, CON) or a pipe is written directly.
    if (kind == Kind::Device) {
        HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return fail(lastReason());
        const bool ok = writeAll(h, data, count);
        const std::string why = ok ? std::string() : lastReason();
        CloseHandle(h);
        return ok ? true : fail(why);
    }

    // A read-only file is the user's word that it stays as it is; only the
    // input re-timed in place may replace itself (and stays read-only).
    const bool exists = kind == Kind::File;
    const bool readOnly = exists && (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    const FileIdentity found = exists ? identityOf(existing) : FileIdentity{};
    const bool isInput = input.known && found.device == input.device && found.inode == input.inode;
    if (readOnly && !isInput) return fail(say("it is write-protected (no write permission)"));

    // Written whole beside its place and renamed over it, so that a failure
    // never leaves a half-written file.
    std::string temp;
    HANDLE h = createTemporary(path, temp);
    if (h == INVALID_HANDLE_VALUE) return fail(lastReason());
    TemporaryWatch watch(wide(temp));
    bool ok = writeAll(h, data, count);
    std::string why = ok ? std::string() : lastReason();
    if (!CloseHandle(h) && ok) {
        ok = false;
        why = lastReason();
    }
    if (ok) {
        AcquireSRWLockExclusive(&gTemporaryLock);
        if (!gTemporary) {
            ok = false;
            why = say("interrupted");
        } else {
            if (readOnly) SetFileAttributesW(target.c_str(), existing.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (!vexrun::platform::replaceFile(temp, path)) {
                ok = false;
                why = lastReason();
            }
            // The replaced file's attributes (read-only, hidden) stay.
            if (exists) SetFileAttributesW(target.c_str(), existing.dwFileAttributes);
        }
        ReleaseSRWLockExclusive(&gTemporaryLock);
    }
    if (!ok) {
        vexrun::platform::removeFile(temp);
        return fail(why);
    }
    return true;
}

}  // namespace retime
