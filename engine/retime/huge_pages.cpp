// Asking glibc for transparent huge pages for the heap.
#include "engine/retime/huge_pages.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace retime {
namespace {
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";
}  // namespace

void restartWithHugePages(char** argv) {
    const char* current = std::getenv(kTunables);
    const std::string tunables = current ? current : "";
    if (tunables.find("glibc.malloc.hugetlb=") != std::string::npos) return;
    const std::string wanted = tunables.empty() ? kHugePages : tunables + ":" + kHugePages;
    if (::setenv(kTunables, wanted.c_str(), 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    // Could not start again: go on with ordinary pages, the environment as it was.
    if (current) {
        ::setenv(kTunables, current, 1);
    } else {
        ::unsetenv(kTunables);
    }
}

}  // namespace retime
