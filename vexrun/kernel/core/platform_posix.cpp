// The kernel core on Linux: mmap with MAP_32BIT, dlopen, the process's own
// id and signals. readableExtent is in mapped_extent.cpp.
#include "vexrun/kernel/core/platform.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

namespace vexrun::platform {

void* mapBelow2GiB(size_t bytes, bool executable, std::string& why) noexcept {
    const int protection = PROT_READ | PROT_WRITE | (executable ? PROT_EXEC : 0);
    void* m = mmap(nullptr, bytes, protection, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (m == MAP_FAILED) {
        why = strerror(errno);
        return nullptr;
    }
    return m;
}

void unmapBelow2GiB(void* address, size_t bytes) noexcept { munmap(address, bytes); }

void protectReadOnly(void* address, size_t bytes) noexcept { mprotect(address, bytes, PROT_READ); }

// The code stays writable and executable: the image lies in the executable's
// .data, whose last page it may share with other writable data.
bool makeCodeWritable(void* first, size_t bytes, std::string& why) noexcept {
    if (mprotect(first, bytes, PROT_READ | PROT_WRITE | PROT_EXEC) == 0) return true;
    why = strerror(errno);
    return false;
}

bool makeCodeExecutable(void*, size_t, std::string&) noexcept { return true; }

void* openLibrary(const std::string& path, std::string& why) noexcept {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        why = reason ? reason : path + " does not open";
    }
    return handle;
}

void* librarySymbol(void* library, const char* name) noexcept { return dlsym(library, name); }

void closeLibrary(void* library) noexcept { dlclose(library); }

namespace {
std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

std::string ownDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownDirectory), &info) && info.dli_fname &&
        std::string_view(info.dli_fname).find('/') != std::string_view::npos) {
        char resolved[PATH_MAX];
        if (realpath(info.dli_fname, resolved)) return directoryOf(resolved);
    }
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) return directoryOf(std::string(self, static_cast<size_t>(n)));
    return ".";
}

std::string environmentValue(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

uint64_t getCurrentProcessId(uint64_t, uint64_t, uint64_t) noexcept { return static_cast<uint32_t>(getpid()); }

namespace {
bool processExists(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }
}  // namespace

// The handle of a process is its pid.
uint64_t openProcess(uint64_t /*access*/, uint64_t /*inherit*/, uint64_t pid) noexcept {
    auto p = static_cast<pid_t>(static_cast<int32_t>(pid));
    return processExists(p) ? static_cast<uint32_t>(p) : 0;
}

uint64_t terminateProcess(uint64_t handle, uint64_t exitCode, uint64_t) noexcept {
    auto p = static_cast<pid_t>(static_cast<int32_t>(handle));
    if (p <= 0) return 0;
    if (p == getpid()) _exit(static_cast<int>(static_cast<uint32_t>(exitCode)));  // at once, every thread
    return kill(p, SIGKILL) == 0 ? 1 : 0;
}

void writeStandardError(std::string_view s) noexcept {
    while (!s.empty()) {
        ssize_t n = write(STDERR_FILENO, s.data(), s.size());
        if (n <= 0) return;
        s.remove_prefix(static_cast<size_t>(n));
    }
}

void exitNow(int status) noexcept { _exit(status); }

double parseDoubleInCLocale(const char* text) noexcept {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (!cLocale) return strtod(text, nullptr);
    return strtod_l(text, nullptr, cLocale);
}

int openFileForReading(const std::string& path) noexcept { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int openFileForWriting(const std::string& path) noexcept {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

bool replaceFile(const std::string& from, const std::string& to) noexcept {
    return rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) noexcept { unlink(path.c_str()); }

std::string homeFolder() {
    if (const char* home = getenv("HOME"); home && *home) return home;
    if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
    return ".";
}

std::vector<std::string> processArguments() {
    std::vector<std::string> arguments;
    FILE* f = fopen("/proc/self/cmdline", "rb");
    if (!f) return arguments;
    std::string all;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) all.append(buffer, n);
    fclose(f);
    size_t start = all.find('\0');  // past the program's own name
    while (start != std::string::npos && start + 1 < all.size()) {
        const size_t end = all.find('\0', start + 1);
        arguments.push_back(all.substr(start + 1, end == std::string::npos ? end : end - start - 1));
        start = end;
    }
    return arguments;
}

}  // namespace vexrun::platform
