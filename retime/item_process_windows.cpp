// A batch's item runs on Windows: CreateProcessW of this executable for each
// item (its command line quoted by the kernel core), WaitForMultipleObjects.
#include <windows.h>

#include <cstdio>
#include <random>

#include "retime/item_process.h"
#include "retime/messages.h"
#include "vexrun/kernel/core/platform.h"

namespace retime {
namespace {

std::string lastError() {
    return say("Windows error %s", {std::to_string(GetLastError())});
}

}  // namespace

struct ItemRuns::Platform {
    std::vector<HANDLE> running;  // the processes of the runs under way
};

ItemRuns::ItemRuns(ItemRun, std::size_t) : platform_(new Platform) {}

ItemRuns::~ItemRuns() {
    for (HANDLE h : platform_->running) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
}

bool ItemRuns::start(const std::vector<std::string>& args, const std::filesystem::path& errPath, ItemId& item,
                     std::string& error) {
    if (platform_->running.size() >= MAXIMUM_WAIT_OBJECTS) {
        error = say("cannot start its run: too many at once");
        return false;
    }
    wchar_t self[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, self, sizeof self / sizeof self[0]);
    if (n == 0 || n >= sizeof self / sizeof self[0]) {
        error = say("cannot start its run: this program's path is unknown");
        return false;
    }
    std::wstring line = vexrun::platform::commandLine(args);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nullIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                nullptr);
    HANDLE nullOut = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                 0, nullptr);
    HANDLE err = CreateFileW(errPath.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    bool started = false;
    if (nullIn != INVALID_HANDLE_VALUE && nullOut != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullIn;
        startup.hStdOutput = nullOut;
        startup.hStdError = err;
        PROCESS_INFORMATION info{};
        started = CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &info) != 0;
        if (started) {
            CloseHandle(info.hThread);
            platform_->running.push_back(info.hProcess);
            item = reinterpret_cast<ItemId>(info.hProcess);
        }
    }
    if (!started) error = say("cannot start its run: %s", {lastError()});
    for (HANDLE h : {nullIn, nullOut, err}) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    return started;
}

bool ItemRuns::waitForOne(ItemEnd& end) {
    std::vector<HANDLE>& handles = platform_->running;
    if (handles.empty()) return false;
    const DWORD which = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
    if (which >= WAIT_OBJECT_0 + handles.size()) return false;
    HANDLE done = handles[which - WAIT_OBJECT_0];
    handles.erase(handles.begin() + (which - WAIT_OBJECT_0));
    DWORD code = 0;
    GetExitCodeProcess(done, &code);
    CloseHandle(done);
    end.item = reinterpret_cast<ItemId>(done);
    end.killed.clear();
    if (code > 255) {  // an exception code (0xC0000005 ...), not an exit status
        char text[32];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
        end.killed = say("exception %s", {text});
        end.status = 128;
    } else {
        end.status = static_cast<int>(code);
    }
    return true;
}

bool makeScratchFolder(std::filesystem::path& folder, std::string& error) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        error = say("cannot find the temporary folder: %s", {ec.message()});
        return false;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "tessaly-retime-batch-%08x", static_cast<unsigned>(random()));
        folder = base / name;
        if (std::filesystem::create_directory(folder, ec)) return true;
    }
    error = say("cannot make a temporary folder in '%s'", {base.string()});
    return false;
}

}  // namespace retime
