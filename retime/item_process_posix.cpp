// A batch item's run on POSIX: posix_spawn of /proc/self/exe, waitpid.
#include "retime/item_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "retime/messages.h"

extern char** environ;

namespace retime {

bool startItemProcess(const std::vector<std::string>& args, const std::filesystem::path& errPath,
                      ItemProcess& process, std::string& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        error = say("cannot start its run: %s", {std::strerror(failed)});
        return false;
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
