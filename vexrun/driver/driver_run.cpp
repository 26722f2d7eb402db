#include "vexrun/driver/driver_run.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "vexrun/kernel/core/platform.h"

namespace drive {
namespace {

using vexrun::platform::kPathSeparator;

constexpr char kUsage[] = "usage: tessaly-drive [--image PATH] [--open FILE] [--timing] < script";

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string parentOf(const std::string& dir) {
    const size_t separator = dir.find_last_of(kPathSeparator == '/' ? "/" : "\\/");
    return separator == std::string::npos ? "." : separator == 0 ? dir.substr(0, 1) : dir.substr(0, separator);
}

// The image file copied into memory below 2 GiB that may be written and run,
// as the kernel library expects it.
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

}  // namespace

void stop(int status, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessaly-drive: %s\n", message.c_str());
    std::fflush(stderr);
    vexrun::platform::exitNow(status);
}

Prepared prepare(const std::vector<std::string>& arguments, const char* accessExport) {
    Prepared prepared;
    prepared.started = Clock::now();
    std::string image;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--image" && i + 1 < arguments.size()) {
            image = arguments[++i];
        } else if (a == "--open" && i + 1 < arguments.size()) {
            prepared.startFile = arguments[++i];
        } else if (a == "--timing") {
            prepared.timing = true;
        } else if (a == "--help" || a == "-h") {
            std::printf("%s\n", kUsage);
            std::fflush(stdout);
            vexrun::platform::exitNow(0);
        } else {
            stop(2, "unknown option " + a + " (" + kUsage + ")");
        }
    }
    const std::string bin = vexrun::platform::ownDirectory();
    if (image.empty()) image = parentOf(bin) + kPathSeparator + "tessaly.img";

    for (std::string line; std::getline(std::cin, line);) prepared.lines.push_back(line);
    prepared.image = loadImage(image);

    const std::string kernel = bin + kPathSeparator + "vexrun.vxr";
    std::string why;
    void* library = vexrun::platform::openLibrary(kernel, why);
    if (!library) stop(1, "cannot load the kernel library " + kernel + ": " + why);
    const auto obtain =
        reinterpret_cast<vx::ObtainEntryHookFn>(vexrun::platform::librarySymbol(library, "ObtainEntryHook"));
    prepared.driverAccess = vexrun::platform::librarySymbol(library, accessExport);
    if (!obtain || !prepared.driverAccess) stop(1, kernel + " does not export what the driver needs");
    prepared.entry = obtain(vx::kEntryHookSelector);
    if (!prepared.entry) stop(1, kernel + " gives no runtime entry");
    return prepared;
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

void ScriptRun::reportCancel(const vexrun::ProgressBoxRecord& box) const {
    if (!timing_ || box.cancelledAt == Clock::time_point{}) return;
    std::fprintf(stderr, "tessaly-drive: line %zu (progress): the handler had returned %.1f ms after 取消\n", lineNumber_,
                 std::chrono::duration<double, std::milli>(Clock::now() - box.cancelledAt).count());
}

void ScriptRun::fail(const std::string& what) const {
    stop(2, "line " + std::to_string(lineNumber_) + ": " + what + ": \"" + lines_[lineNumber_ - 1] + "\"");
}

void ScriptRun::cannot(const std::string& what) const { stop(1, "line " + std::to_string(lineNumber_) + ": " + what); }

}  // namespace drive
