// Runs a program with a given environment and collects what it printed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace launcher_test {

struct RunResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    int signal = 0;       // the signal that ended it, if any
    bool timedOut = false;
    bool stoppedAtFile = false;  // `stopFile` appeared and the program was ended
    std::string maps;            // its memory map at that moment
    std::string out;
    std::string err;
};

// Starts argv[0] with exactly `env` (NAME=value entries) and waits for it,
// killing it after `timeout`, or as soon as the file `stopFile` (when given)
// exists and is not empty: for a program that would otherwise run on.
RunResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30),
                     const std::string& stopFile = {});

}  // namespace launcher_test
