#include "vexrun/driver/script_run.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "vexrun/kernel/core/platform.h"

namespace drive {
namespace {

double secondsSince(ScriptRun::Clock::time_point start) {
    return std::chrono::duration<double>(ScriptRun::Clock::now() - start).count();
}

}  // namespace

void stop(int status, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessaly-drive: %s\n", message.c_str());
    std::fflush(stderr);
    vexrun::platform::exitNow(status);
}

const uint8_t* loadImage(const std::string& path) {
    // The path is UTF-8 on every platform (wide at the system call on Windows).
    const std::filesystem::path file(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    std::ifstream in(file, std::ios::binary);
    if (!in) stop(1, "cannot read the program image " + path);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) stop(1, "cannot read the program image " + path);
    if (bytes.empty()) stop(1, "the program image " + path + " is empty");
    std::string why;
    void* at = vexrun::platform::mapBelow2GiB(bytes.size(), true, why);
    if (!at) stop(1, "cannot map " + std::to_string(bytes.size()) + " bytes below 2 GiB for the program image: " + why);
    std::memcpy(at, bytes.data(), bytes.size());
    return static_cast<const uint8_t*>(at);
}

bool ScriptRun::run() {
    if (timing_) std::fprintf(stderr, "tessaly-drive: window up after %.3f s\n", secondsSince(started_));
    for (size_t i = 0; i < lines_.size(); ++i) {
        lineNumber_ = i + 1;
        std::string error;
        const auto line = parseScriptLine(lines_[i], error);
        if (!line) {
            if (error.empty()) continue;
            fail(error);
        }
        const Clock::time_point began = Clock::now();
        const bool goOn = perform(*line);
        if (timing_) {
            std::fprintf(stderr, "tessaly-drive: line %zu (%s) took %.3f s\n", lineNumber_, verbName(line->verb),
                         secondsSince(began));
        }
        if (!goOn) return false;
        settle();
    }
    return true;
}

void ScriptRun::fail(const std::string& what) const {
    stop(2, "line " + std::to_string(lineNumber_) + ": " + what + ": \"" + lines_[lineNumber_ - 1] + "\"");
}

void ScriptRun::cannot(const std::string& what) const { stop(1, "line " + std::to_string(lineNumber_) + ": " + what); }

}  // namespace drive
