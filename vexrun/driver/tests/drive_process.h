// Running build/bin/tessaly-drive on a script, as the end-to-end tests do
// (the driver's own and the window tests in ui/tests): the script on
// standard input, both outputs and the exit status collected.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace drive::testing {

inline std::string buildDir() {
    const char* d = std::getenv("TESSALY_BUILD_DIR");
    return d ? d : ".";
}

struct DriveResult {
    bool started = false;  // the driver could be started at all
    int status = -1;       // exit status, or -1 when it did not end by exiting
    bool timedOut = false;
    std::string out, err;
    double seconds = 0;            // from start to exit
    double lastOutputSeconds = 0;  // when the last byte of standard output arrived
};

// Runs the driver with `script` and the extra environment entries (each
// replacing an inherited entry of the same name), killing it after
// `timeoutSeconds`.
inline DriveResult runDrive(const std::string& script, std::vector<std::string> env = {},
                            double timeoutSeconds = 60, std::vector<std::string> args = {}) {
    DriveResult r;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&fa, fd);

    const std::string exe = buildDir() + "/bin/tessaly-drive";
    std::vector<std::string> argStore = {exe};
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
    const int spawned = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        r.err = "cannot start " + exe;
        return r;
    }
    r.started = true;
    // The script goes in whole before anything is read: the driver reads all
    // of standard input before the window opens.
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    while (written < script.size()) {
        ssize_t n = write(in[1], script.data() + written, script.size() - written);
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

inline std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t nl = s.find('\n', start);
        if (nl == std::string::npos) nl = s.size();
        out.push_back(s.substr(start, nl - start));
        start = nl + 1;
    }
    return out;
}

}  // namespace drive::testing
