// A batch's item runs on POSIX: worker processes forked from the batch, each
// serving one item after another over a socket of its own (the request: the
// standard error file and the arguments; the answer: the exit status). The
// batch's process starts no thread, so each fork is a whole copy.
#include "retime/item_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "retime/exit_status.h"
#include "retime/messages.h"

namespace retime {
namespace {

// Puts `file` opened with `flags` on descriptor `target`. False when it cannot.
bool openOn(int target, const char* file, int flags) {
    const int fd = ::open(file, flags, 0600);
    if (fd < 0) return false;
    if (fd == target) return true;
    const bool moved = ::dup2(fd, target) == target;
    ::close(fd);
    return moved;
}

bool sendAll(int socket, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(socket, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        at += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool receiveAll(int socket, void* data, std::size_t size) {
    char* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::recv(socket, at, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// A request: a count, then each text as its length and its bytes.
bool sendTexts(int socket, const std::vector<std::string>& texts) {
    std::string message;
    auto put = [&](uint32_t n) { message.append(reinterpret_cast<const char*>(&n), sizeof n); };
    put(static_cast<uint32_t>(texts.size()));
    for (const std::string& t : texts) {
        put(static_cast<uint32_t>(t.size()));
        message += t;
    }
    return sendAll(socket, message.data(), message.size());
}

bool receiveTexts(int socket, std::vector<std::string>& texts) {
    uint32_t count = 0;
    if (!receiveAll(socket, &count, sizeof count)) return false;
    texts.assign(count, std::string());
    for (std::string& t : texts) {
        uint32_t size = 0;
        if (!receiveAll(socket, &size, sizeof size)) return false;
        t.resize(size);
        if (size > 0 && !receiveAll(socket, t.data(), size)) return false;
    }
    return true;
}

// A worker's life: items until the batch closes its end of the socket.
[[noreturn]] void serve(int socket, ItemRun run) {
    if (!openOn(0, "/dev/null", O_RDONLY) || !openOn(1, "/dev/null", O_WRONLY)) ::_exit(kExitFileOrTime);
    // The memory a run frees stays with the worker for the next item, rather
    // than going back to the system and being faulted in again (the aligner's
    // buffers are larger than the allocator's default for a mapping of their
    // own).
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    for (;;) {
        std::vector<std::string> request;  // the standard error file, then the arguments
        if (!receiveTexts(socket, request) || request.size() < 2) ::_exit(0);
        int status = kExitFileOrTime;
        if (openOn(2, request[0].c_str(), O_WRONLY | O_CREAT | O_TRUNC)) {
            status = run(std::vector<std::string>(request.begin() + 2, request.end()));
        }
        std::fflush(nullptr);
        const int32_t answer = status;
        // The batch's own cleanup (its temporary folder, its streams) is not
        // the worker's to run.
        if (!sendAll(socket, &answer, sizeof answer)) ::_exit(0);
    }
}

struct Worker {
    pid_t pid = -1;
    int socket = -1;  // the batch's end
    ItemId item = 0;
    bool busy = false;
};

// How a worker's process ended, when it ended during a run.
void endedBy(int waitStatus, ItemEnd& end) {
    if (WIFEXITED(waitStatus)) {
        end.status = WEXITSTATUS(waitStatus);
        end.killed.clear();
    } else {
        const int signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
        end.status = 128 + signal;
        end.killed = say("signal %s (%s)", {std::to_string(signal), strsignal(signal)});
    }
}

int reap(pid_t pid) {
    int waitStatus = 0;
    while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    return waitStatus;
}

}  // namespace

struct ItemRuns::Platform {
    ItemRun run;
    std::size_t jobs;
    std::vector<Worker> workers;
    ItemId next = 1;

    // A new idle worker; false with `error`.
    bool spawn(std::string& error) {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
            error = say("cannot start its run: %s", {std::strerror(errno)});
            return false;
        }
        // What the batch has buffered is written once, not again by the worker.
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid < 0) {
            error = say("cannot start its run: %s", {std::strerror(errno)});
            ::close(pair[0]);
            ::close(pair[1]);
            return false;
        }
        if (pid == 0) {
            // The other workers must see their socket close when the batch closes it.
            ::close(pair[0]);
            for (const Worker& w : workers) ::close(w.socket);
            serve(pair[1], run);
        }
        ::close(pair[1]);
        workers.push_back(Worker{pid, pair[0], 0, false});
        return true;
    }

    // Ends an idle worker: it reads the end of its requests and exits.
    void retire(std::size_t w) {
        ::close(workers[w].socket);
        reap(workers[w].pid);
        workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(w));
    }
};

ItemRuns::ItemRuns(ItemRun run, std::size_t jobs) : platform_(new Platform{run, std::max<std::size_t>(jobs, 1), {}}) {}

ItemRuns::~ItemRuns() {
    for (const Worker& w : platform_->workers) ::close(w.socket);
    for (const Worker& w : platform_->workers) reap(w.pid);
}

bool ItemRuns::start(const std::vector<std::string>& args, const std::filesystem::path& errPath, ItemId& item,
                     std::string& error) {
    std::vector<std::string> request{errPath.string()};
    request.insert(request.end(), args.begin(), args.end());
    Platform& p = *platform_;
    // An idle worker, or a new one; one that has gone away is replaced once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto idle = std::find_if(p.workers.begin(), p.workers.end(), [](const Worker& w) { return !w.busy; });
        if (idle == p.workers.end()) {
            if (p.workers.size() >= p.jobs) {
                error = say("cannot start its run: every worker is busy");
                return false;
            }
            if (!p.spawn(error)) return false;
            idle = p.workers.end() - 1;
        }
        if (sendTexts(idle->socket, request)) {
            idle->busy = true;
            idle->item = item = p.next++;
            return true;
        }
        p.retire(static_cast<std::size_t>(idle - p.workers.begin()));
    }
    error = say("cannot start its run: %s", {std::strerror(errno)});
    return false;
}

bool ItemRuns::waitForOne(ItemEnd& end) {
    Platform& p = *platform_;
    std::vector<pollfd> waiting;
    std::vector<std::size_t> whose;
    for (std::size_t w = 0; w < p.workers.size(); ++w) {
        if (!p.workers[w].busy) continue;
        waiting.push_back(pollfd{p.workers[w].socket, POLLIN, 0});
        whose.push_back(w);
    }
    if (waiting.empty()) return false;
    int ready = -1;
    while ((ready = ::poll(waiting.data(), waiting.size(), -1)) < 0 && errno == EINTR) {
    }
    if (ready <= 0) return false;
    std::size_t k = 0;
    while (waiting[k].revents == 0) ++k;
    const std::size_t w = whose[k];
    Worker& worker = p.workers[w];
    end.item = worker.item;
    worker.busy = false;
    int32_t status = 0;
    if (receiveAll(worker.socket, &status, sizeof status)) {
        end.status = status;
        end.killed.clear();
        // A run that could not read or write, or ran out of memory, may leave
        // its process in a state the next item should not inherit.
        if (status == kExitFileOrTime) p.retire(w);
        return true;
    }
    // The worker's process ended during the run (a crash, a signal).
    ::close(worker.socket);
    endedBy(reap(worker.pid), end);
    p.workers.erase(p.workers.begin() + static_cast<std::ptrdiff_t>(w));
    return true;
}

bool makeScratchFolder(std::filesystem::path& folder, std::string& error) {
    char tmpl[] = "/tmp/tessaly-retime-batch-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        error = say("cannot make a temporary folder: %s", {std::strerror(errno)});
        return false;
    }
    folder = tmpl;
    return true;
}

}  // namespace retime
