// A batch item's run on POSIX: a fork of this process that runs the tool's
// own run and ends with its status; waitpid. The batch's process starts no
// thread, so the fork is a whole copy; the item's run may start its own.
#include "retime/item_process.h"

#include <fcntl.h>
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

}  // namespace

bool startItemProcess(const std::vector<std::string>& args, const std::filesystem::path& errPath, ItemRun run,
                      ItemProcess& process, std::string& error) {
    // What the batch has buffered is written once, not again by the child.
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = say("cannot start its run: %s", {std::strerror(errno)});
        return false;
    }
    if (pid == 0) {
        if (!openOn(0, "/dev/null", O_RDONLY) || !openOn(1, "/dev/null", O_WRONLY) ||
            !openOn(2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC)) {
            ::_exit(kExitFileOrTime);
        }
        const int status = run(std::vector<std::string>(args.begin() + 1, args.end()));
        std::fflush(nullptr);
        // The batch's own cleanup (its temporary folder, its streams) is not
        // the item's to run.
        ::_exit(status);
    }
    process = pid;
    return true;
}

bool waitForItemProcess(const std::vector<ItemProcess>& running, ItemEnd& end) {
    for (;;) {
        int waitStatus = 0;
        const pid_t pid = ::waitpid(-1, &waitStatus, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (std::find(running.begin(), running.end(), pid) == running.end()) continue;
        end.process = pid;
        if (WIFEXITED(waitStatus)) {
            end.status = WEXITSTATUS(waitStatus);
            end.killed.clear();
        } else {
            const int signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
            end.status = 128 + signal;
            end.killed = say("signal %s (%s)", {std::to_string(signal), strsignal(signal)});
        }
        return true;
    }
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
