// readableExtent on Linux: the mappings of /proc/self/maps.
#include "vexrun/kernel/core/platform.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace vexrun::platform {
namespace {

std::string readMaps() {
    std::string text;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[8192];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    close(fd);
    return text;
}

struct Region {
    uintptr_t start, end;
    bool readable;
};

// "start-end perms ..." -> Region; false for a line that does not parse.
bool parseLine(std::string_view line, Region& r) {
    std::string s(line);
    char* rest = nullptr;
    r.start = strtoull(s.c_str(), &rest, 16);
    if (!rest || *rest != '-') return false;
    r.end = strtoull(rest + 1, &rest, 16);
    if (!rest || *rest != ' ') return false;
    r.readable = rest[1] == 'r';
    return r.end > r.start;
}

}  // namespace

size_t readableExtent(const void* address) noexcept {
    const auto a = reinterpret_cast<uintptr_t>(address);
    const std::string maps = readMaps();
    uintptr_t end = 0;  // end of the readable run holding `a`, once found
    size_t from = 0;
    while (from < maps.size()) {
        size_t eol = maps.find('\n', from);
        if (eol == std::string::npos) eol = maps.size();
        Region r;
        if (parseLine(std::string_view(maps).substr(from, eol - from), r)) {
            if (end == 0) {
                if (r.readable && a >= r.start && a < r.end) end = r.end;
            } else if (r.readable && r.start == end) {
                end = r.end;
            } else {
                break;
            }
        }
        from = eol + 1;
    }
    return end ? end - a : 0;
}

}  // namespace vexrun::platform
