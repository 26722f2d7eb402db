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

// The descriptor a path names: /dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N; -1 for any other path.
int descriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string p = prefix;
        if (path.rfind(p, 0) != 0 || path.size() == p.size() || path.size() > p.size() + 9) continue;
        int fd = 0;
        for (std::size_t i = p.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9') return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
}

// The path behind every symbolic link of `path` (the last one may dangle).
// False with errno set (ELOOP after 40 links).
bool followLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(static_cast<std::size_t>(n));
        const std::size_t slash = target.rfind('/');
        target = (link.empty() || link[0] == '/' || slash == std::string::npos) ? link : target.substr(0, slash + 1) + link;
    }
    errno = ELOOP;
    return false;
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

    // A name of one of our own descriptors: written there, where the caller
    // pointed it, in its own mode (appending included).
    const int named = descriptorNamed(path);
    if (named >= 0 && ::fcntl(named, F_GETFD) != -1) {
        return writeAll(named, data, count) ? true : fail(reason());
    }

    // A symbolic link keeps its link: the result goes to the file it names
    // (created when the link dangles).
    std::string target;
    if (!followLinks(path, target)) return fail(reason());

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return fail(std::strerror(EISDIR));

    // Anything but a regular file (a device, a FIFO, a terminal) is written
    // directly: replacing it by a file would break it for everyone else.
    if (exists && !S_ISREG(existing.st_mode)) {
        const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return fail(reason());
        bool ok = writeAll(fd, data, count);
        std::string why = ok ? std::string() : reason();
        if (::close(fd) != 0 && ok) {
            ok = false;
            why = reason();
        }
        return ok ? true : fail(why);
    }

    // A regular file is written whole beside its place and renamed over it,
    // so a failure never leaves a half-written file. It keeps the replaced
    // file's permission bits, and its owner when we may give it (as root).
    mode_t mode;
    if (exists) {
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

    const bool ownerKept = !exists || ::geteuid() != 0 ||
                           (existing.st_uid == ::geteuid() && existing.st_gid == ::getegid()) ||
                           ::fchown(fd, existing.st_uid, existing.st_gid) == 0;
    bool ok = ownerKept && ::fchmod(fd, mode) == 0 && writeAll(fd, data, count);
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
