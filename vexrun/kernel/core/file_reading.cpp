// Reading a whole file into a kernel block, growing it as the file comes.
#include "vexrun/kernel/core/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/utf16_text.h"

namespace vexrun {
namespace {

constexpr uint64_t kFirstCapacity = 64 * 1024;

void* emptyByteSet() { return newByteSet(std::string_view()); }

}  // namespace

void* readFileAsByteSet(std::string_view path, uint64_t maxBytes) {
    if (maxBytes > kMaxFileBytes) maxBytes = kMaxFileBytes;
    const std::string name(path);
    const int fd = platform::openFileForReading(name);
    if (fd < 0) return emptyByteSet();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
        (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes)) {
        ::close(fd);
        return emptyByteSet();
    }

    // A regular file's size is known (one byte more sees it grown); anything
    // else grows the block by half again as it comes, never past the limit
    // plus the one byte that tells the input went on.
    uint64_t capacity = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) + 1 : kFirstCapacity;
    if (capacity > maxBytes + 1) capacity = maxBytes + 1;
    auto* block = static_cast<uint8_t*>(allocateBlock(static_cast<uint32_t>(8 + capacity)));
    uint64_t used = 0;
    bool failed = false;
    for (;;) {
        if (used == capacity) {
            if (used > maxBytes) {
                failed = true;  // past the limit: refused without reading on
                break;
            }
            capacity += capacity / 2;
            if (capacity > maxBytes + 1) capacity = maxBytes + 1;
            block = static_cast<uint8_t*>(reallocateBlock(block, static_cast<uint32_t>(8 + capacity)));
        }
        const ssize_t n = ::read(fd, block + 8 + used, capacity - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        used += static_cast<uint64_t>(n);
    }
    ::close(fd);
    if (failed) {
        freeBlock(block);
        return emptyByteSet();
    }

    const std::string_view bytes(reinterpret_cast<const char*>(block + 8), used);
    const Utf16Order order = utf16OrderOf(bytes);
    if (order != Utf16Order::None) {
        const std::string text = utf16ToUtf8(bytes.substr(2), order, Utf16Faults::Replace);
        freeBlock(block);
        return text.size() > maxBytes ? emptyByteSet() : newByteSet(text);
    }
    block = static_cast<uint8_t*>(reallocateBlock(block, static_cast<uint32_t>(8 + used)));
    const uint32_t head[2] = {1, static_cast<uint32_t>(used)};
    std::memcpy(block, head, 8);
    return block;
}

}  // namespace vexrun
