// The test process runner on POSIX: posix_spawn, three pipes, poll.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "vexrun/driver/tests/drive_process.h"

extern char** environ;

namespace drive::testing {

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

DriveResult runProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                       const std::vector<std::string>& env, double timeoutSeconds) {
    DriveResult r;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) {
        r.err = "cannot make pipes for " + program;
        return r;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&fa, fd);

    std::vector<std::string> argStore = {program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=') + 1); };
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& extra : env) replaced = replaced || nameOf(extra) == nameOf(entry);
        if (!replaced) envStore.push_back(entry);
    }
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        r.err = "cannot start " + program;
        return r;
    }
    r.started = true;
    // The input goes in whole before anything is read: the driver reads all
    // of standard input before the window opens.
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    while (written < input.size()) {
        ssize_t n = write(in[1], input.data() + written, input.size() - written);
        if (n <= 0) break;
        written += size_t(n);
    }
    close(in[1]);

    auto elapsed = [&] {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) / 1e9;
    };
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        const double left = timeoutSeconds - elapsed();
        if (left <= 0) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, int(left * 1000) + 1) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else if (i == 0) {
                r.out.append(buf, size_t(n));
                r.lastOutputSeconds = elapsed();
            } else {
                r.err.append(buf, size_t(n));
            }
        }
    }
    for (auto& f : fds) {
        if (f.fd >= 0) close(f.fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.seconds = elapsed();
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    return r;
}

}  // namespace drive::testing
