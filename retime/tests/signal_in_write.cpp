// A preloaded library for the tool tests: a write to tessaly-retime's
// temporary output file writes half of its bytes, then raises the signal
// named by TESSALY_TEST_SIGNAL_IN_WRITE - an interruption at the worst moment,
// every time, or only for the files whose names hold
// TESSALY_TEST_SIGNAL_IN_WRITE_TO.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" ssize_t write(int fd, const void* data, size_t count) {
    using Write = ssize_t (*)(int, const void*, size_t);
    static const Write real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    const char* signal = std::getenv("TESSALY_TEST_SIGNAL_IN_WRITE");
    const char* only = std::getenv("TESSALY_TEST_SIGNAL_IN_WRITE_TO");
    char link[32];
    char target[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (signal && count > 1 && ::readlink(link, target, sizeof target - 1) > 0 && std::strstr(target, ".retime-") &&
        (!only || std::strstr(target, only))) {
        const ssize_t half = real(fd, data, count / 2);
        ::raise(std::atoi(signal));
        return half;
    }
    return real(fd, data, count);
}
