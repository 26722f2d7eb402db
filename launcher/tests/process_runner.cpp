#include "launcher/tests/process_runner.h"

#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace launcher_test {
namespace {

std::string readAll(FILE* file) {
    std::string text;
    rewind(file);
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    return text;
}

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (const auto& t : texts) result.push_back(const_cast<char*>(t.c_str()));
    result.push_back(nullptr);
    return result;
}

}  // namespace

RunResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     std::chrono::milliseconds timeout, const std::string& stopFile) {
    RunResult result;
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    if (!out || !err) {
        result.err = "cannot make temporary files";
        if (out) fclose(out);
        if (err) fclose(err);
        return result;
    }
    std::vector<char*> args = pointers(argv);
    std::vector<char*> envp = pointers(env);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    if (pid > 0) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            struct stat file;
            const bool stop = !stopFile.empty() && stat(stopFile.c_str(), &file) == 0 && file.st_size > 0;
            if (stop) {
                result.stoppedAtFile = true;
                std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
                result.maps.assign(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>());
            } else if (std::chrono::steady_clock::now() > deadline) {
                result.timedOut = true;
            }
            if (stop || result.timedOut) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    }
    result.out = readAll(out);
    result.err += readAll(err);
    fclose(out);
    fclose(err);
    return result;
}

}  // namespace launcher_test
