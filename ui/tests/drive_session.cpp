#include "ui/tests/drive_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

extern char** environ;

namespace ui::e2e {

namespace {

// `messages` prints a line per message box; a `show` of this label after it
// marks where the list ends.
constexpr const char* kMessagesEnd = "标签19";

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::vector<std::string> splitLines(const std::string& s) {
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

// The driver's escapes undone: \\ \" \r \n \t \xHH.
std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'x':
                if (i + 2 < s.size()) {
                    out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                }
                break;
            default: out += c; break;
        }
    }
    return out;
}

int flag(const std::string& line, const std::string& key) {
    const size_t at = line.rfind(" " + key + "=");
    if (at == std::string::npos) return -2;
    const char v = line[at + key.size() + 2];
    return v == '1' ? 1 : v == '0' ? 0 : -1;
}

// NAME text="..." checked=C enabled=E visible=V; the text may hold escaped
// quotes, so its end is the last quote before " checked=".
bool parseShown(const std::string& line, const std::string& control, Shown& shown) {
    const std::string head = control + " text=\"";
    const size_t tail = line.rfind("\" checked=");
    if (line.rfind(head, 0) != 0 || tail == std::string::npos || tail < head.size()) return false;
    shown.name = control;
    shown.text = unescape(line.substr(head.size(), tail - head.size()));
    shown.checked = flag(line, "checked");
    shown.enabled = flag(line, "enabled");
    shown.visible = flag(line, "visible");
    shown.line = line;
    return true;
}

}  // namespace

std::string buildDir() {
    const char* d = std::getenv("TESSALY_BUILD_DIR");
    return d ? d : ".";
}

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "tessaly-window-" + std::to_string(getpid()) + "-" + name;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

DriveSession& DriveSession::act(const std::string& line) {
    script_ += line + "\n";
    return *this;
}

DriveSession& DriveSession::show(const std::string& control, const std::string& label) {
    expected_.push_back({false, label, control});
    return act("show " + control);
}

DriveSession& DriveSession::messages(const std::string& label) {
    expected_.push_back({true, label, kMessagesEnd});
    act("messages");
    return act(std::string("show ") + kMessagesEnd);
}

DriveOutcome DriveSession::run(const std::vector<std::string>& env, double timeoutSeconds) const {
    DriveOutcome r;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) {
        ADD_FAILURE() << "cannot make pipes for the driver";
        return r;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&fa, fd);

    std::string exe = buildDir() + "/bin/tessaly-drive";
    char* argv[] = {exe.data(), nullptr};
    std::vector<std::string> envStore;
    // Always the offscreen platform, whatever the caller's environment says.
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0) envStore.emplace_back(*e);
    }
    envStore.emplace_back("QT_QPA_PLATFORM=offscreen");
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    const double start = now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        ADD_FAILURE() << "cannot start " << exe;
        return r;
    }

    // The script goes in whole before anything is read: the driver reads all
    // of standard input before the window opens.
    signal(SIGPIPE, SIG_IGN);
    for (size_t written = 0; written < script_.size();) {
        const ssize_t n = write(in[1], script_.data() + written, script_.size() - written);
        if (n <= 0) break;
        written += size_t(n);
    }
    close(in[1]);

    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        const double left = timeoutSeconds - (now() - start);
        if (left <= 0) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, int(left * 1000) + 1) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else if (i == 0) {
                r.out.append(buf, size_t(n));
                r.lastOutputSeconds = now() - start;
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
    r.seconds = now() - start;
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);

    // Hand each labelled step its lines.
    const std::vector<std::string> lines = splitLines(r.out);
    size_t next = 0;
    for (const Expected& step : expected_) {
        if (step.isMessages) {
            std::vector<std::string> shownMessages;
            Shown end;
            while (next < lines.size() && !parseShown(lines[next], step.control, end)) shownMessages.push_back(lines[next++]);
            if (next >= lines.size()) break;  // the marker never came: the label stays missing
            ++next;
            r.messagesByLabel[step.label] = shownMessages;
        } else {
            Shown shown;
            if (next >= lines.size() || !parseShown(lines[next], step.control, shown)) break;
            ++next;
            r.shownByLabel[step.label] = shown;
        }
    }
    return r;
}

const Shown& DriveOutcome::shown(const std::string& label) const {
    static const Shown missing;
    auto it = shownByLabel.find(label);
    if (it != shownByLabel.end()) return it->second;
    ADD_FAILURE() << "the driver printed nothing for \"" << label << "\"\n" << transcript();
    return missing;
}

const std::vector<std::string>& DriveOutcome::messages(const std::string& label) const {
    static const std::vector<std::string> missing;
    auto it = messagesByLabel.find(label);
    if (it != messagesByLabel.end()) return it->second;
    ADD_FAILURE() << "the driver listed no messages for \"" << label << "\"\n" << transcript();
    return missing;
}

std::string DriveOutcome::transcript() const {
    return "exit status " + std::to_string(status) + (timedOut ? " (timed out)" : "") + "\n--- stdout\n" + out +
           "--- stderr\n" + err;
}

}  // namespace ui::e2e
