// Reading a whole subtitle into a byte set and writing a result only once it
// is complete.
#include "retime/whole_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "retime/ending_signals.h"
#include "retime/messages.h"

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

bool isFile(const struct stat& st, const FileIdentity& file) {
    return file.known && static_cast<uint64_t>(st.st_dev) == file.device && static_cast<uint64_t>(st.st_ino) == file.inode;
}

// An existing output we may replace: one with a write bit set (root
// included, who could write any) that lets us write.
bool mayReplace(const std::string& target, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return false;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 || (errno != EACCES && errno != EPERM);
}

// The temporary file being written, for the signal handler; none when null.
std::atomic<const char*> gTemporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "the handler reads it");

extern "C" void removeTemporaryAndEnd(int signal) {
    if (const char* temporary = gTemporary.exchange(nullptr)) ::unlink(temporary);
    // Ends as the signal would have: it is delivered again once this returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

// While it lives, an ending signal removes the temporary file it watches
// before the process ends; a signal ignored before stays ignored.
class TemporaryWatch {
public:
    TemporaryWatch() {
        struct sigaction handler {};
        handler.sa_handler = removeTemporaryAndEnd;
        ::sigemptyset(&handler.sa_mask);
        ::sigemptyset(&signals_);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaddset(&signals_, kEndingSignals[i]);
            ::sigaction(kEndingSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) ::sigaction(kEndingSignals[i], &handler, nullptr);
        }
    }
    ~TemporaryWatch() {
        gTemporary.store(nullptr);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
    }
    TemporaryWatch(const TemporaryWatch&) = delete;
    TemporaryWatch& operator=(const TemporaryWatch&) = delete;

    // mkstemp on `pattern`, watched from the moment the file exists: no
    // ending signal comes between.
    int create(std::string& pattern) {
        sigset_t before;
        ::sigprocmask(SIG_BLOCK, &signals_, &before);
        const int fd = ::mkstemp(pattern.data());
        const int saved = errno;
        if (fd >= 0) gTemporary.store(pattern.c_str());
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        errno = saved;
        return fd;
    }

private:
    sigset_t signals_;
    struct sigaction previous_[std::size(kEndingSignals)];
};

}  // namespace

bool readWholeInput(const std::string& path, uint64_t maxBytes, ByteBuffer& bytes, std::string& error,
                    FileIdentity* identity) {
    bytes.release();
    const bool standard = isStandardStream(path);
    const std::string name = standard ? say("standard input") : "'" + path + "'";
    const int fd = standard ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = say("cannot read %s: %s", {name, reason()});
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = say("cannot read %s: %s", {name, why});
        if (!standard) ::close(fd);
        bytes.release();
        return false;
    };

    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(reason());
    if (S_ISDIR(st.st_mode)) return fail(std::strerror(EISDIR));
    if (identity && S_ISREG(st.st_mode)) {
        *identity = FileIdentity{true, static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    }
    const std::string tooLarge = say("it is larger than %s bytes", {std::to_string(maxBytes)});
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes) return fail(tooLarge);

    // A regular file is read into room for its size and one byte more (which
    // sees it grown meanwhile); anything else grows by half again as it comes,
    // never past one byte beyond the limit.
    uint64_t capacity = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) + 1 : kFirstCapacity;
    bytes.reserve(capacity < maxBytes + 1 ? capacity : maxBytes + 1);
    for (;;) {
        if (bytes.room() == 0) {
            if (bytes.size() > maxBytes) return fail(tooLarge);
            const uint64_t grown = bytes.size() + bytes.size() / 2;
            bytes.reserve(grown < maxBytes + 1 ? grown : maxBytes + 1);
        }
        const ssize_t n = ::read(fd, bytes.end(), bytes.room());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(reason());
        if (n == 0) break;
        bytes.grow(static_cast<size_t>(n));
    }
    if (bytes.size() > maxBytes) return fail(tooLarge);
    if (!standard) ::close(fd);
    return true;
}

bool writeWholeOutput(const std::string& path, const uint8_t* data, uint64_t count, std::string& error,
                      const FileIdentity& input) {
    if (isStandardStream(path)) {
        if (writeAll(1, data, count)) return true;
        error = say("cannot write standard output: %s", {reason()});
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = say("cannot write '%s': %s", {path, why});
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
    // A write-protected file is the user's word that it stays as it is;
    // only the input re-timed in place may replace itself.
    if (exists && !isFile(existing, input) && !mayReplace(target, existing)) {
        return fail(say("it is write-protected (no write permission)"));
    }

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
    TemporaryWatch watch;
    const int fd = watch.create(temp);
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
