// Reading a whole subtitle into a byte set and writing a result only once it
// is complete.
#include "engine/retime/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace retime {
namespace {

bool isStandardStream(const std::string& path) { return path.empty() || path == "-"; }

std::string reason() { return std::strerror(errno); }

constexpr uint64_t kFirstCapacity = 64 * 1024;

bool writeAll(int fd, const uint8_t* data, uint64_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count > (1u << 30) ? (1u << 30) : count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        count -= static_cast<uint64_t>(n);
    }
    return true;
}

// Reads into the block from `used` on until it is full or the input ends;
// the number of bytes read, or -1 on a read error.
int64_t readSome(int fd, uint8_t* into, uint64_t room) {
    uint64_t got = 0;
    while (got < room) {
        const ssize_t n = ::read(fd, into + got, room - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    return static_cast<int64_t>(got);
}

}  // namespace

bool readWholeInput(const std::string& path, int64_t maxBytes, prog::ByteSet& bytes, std::string& error) {
    const bool standard = isStandardStream(path);
    const std::string name = standard ? std::string("standard input") : "'" + path + "'";
    const int fd = standard ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + name + ": " + reason();
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = "cannot read " + name + ": " + why;
        if (!standard) ::close(fd);
        return false;
    };

    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(reason());
    if (S_ISDIR(st.st_mode)) return fail(std::strerror(EISDIR));
    const auto limit = static_cast<uint64_t>(maxBytes);
    const std::string tooLarge = "it is larger than " + std::to_string(maxBytes) + " bytes";

    // A regular file is read into a block of its size; anything else grows.
    uint64_t capacity = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<uint64_t>(st.st_size)
                                                               : kFirstCapacity;
    if (capacity > limit) {
        if (S_ISREG(st.st_mode)) return fail(tooLarge);
        capacity = limit;
    }
    auto* block = static_cast<prog::ByteSet>(vxAllocate(static_cast<uint32_t>(8 + capacity)));
    uint64_t used = 0;
    for (;;) {
        const int64_t got = readSome(fd, prog::bytesOf(block) + used, capacity - used);
        if (got < 0) {
            vxFree(block);
            return fail(reason());
        }
        used += static_cast<uint64_t>(got);
        if (used < capacity) break;  // the input ended

        // Full: one more byte tells whether there is more before growing.
        uint8_t probe;
        const int64_t more = readSome(fd, &probe, 1);
        if (more < 0) {
            vxFree(block);
            return fail(reason());
        }
        if (more == 0) break;
        if (used + 1 > limit) {
            vxFree(block);
            return fail(tooLarge);
        }
        capacity = capacity * 2 > limit ? limit : capacity * 2;
        if (capacity < used + 1) capacity = used + 1;
        block = static_cast<prog::ByteSet>(vxReallocate(block, static_cast<uint32_t>(8 + capacity)));
        prog::bytesOf(block)[used++] = probe;
    }
    if (!standard) ::close(fd);

    if (used == 0) {
        vxFree(block);
        bytes = nullptr;
        return true;
    }
    if (used < capacity) block = static_cast<prog::ByteSet>(vxReallocate(block, static_cast<uint32_t>(8 + used)));
    block->one = 1;
    block->count = static_cast<uint32_t>(used);
    bytes = block;
    return true;
}

bool writeWholeOutput(const std::string& path, const uint8_t* data, uint64_t count, std::string& error) {
    if (isStandardStream(path)) {
        if (writeAll(1, data, count)) return true;
        error = "cannot write standard output: " + reason();
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = "cannot write '" + path + "': " + why;
        return false;
    };

    // A symbolic link keeps its link: the result goes to the file it names.
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) return fail(reason());
        target = resolved;
        std::free(resolved);
    }

    // Permissions: those of the file replaced, else those of a new file.
    mode_t mode;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) return fail(std::strerror(EISDIR));
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".retime-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail(reason());

    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data, count);
    std::string why = ok ? std::string() : reason();
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = reason();
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        why = reason();
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(why);
    }
    return true;
}

}  // namespace retime
