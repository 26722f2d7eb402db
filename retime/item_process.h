// A batch item's run: this program started again as a process of its own,
// its standard input and output on the null device, its standard error in a
// file. One seam per platform (POSIX spawn and wait, Windows CreateProcessW).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace retime {

using ItemProcess = std::intptr_t;  // a pid, or a process handle on Windows

// Starts this program with `args` (args[0] is its name). False with `error`
// when it cannot be started.
bool startItemProcess(const std::vector<std::string>& args, const std::filesystem::path& errPath,
                      ItemProcess& process, std::string& error);

struct ItemEnd {
    ItemProcess process = 0;
    int status = 0;      // its exit status, or 128 + signal
    std::string killed;  // "" when it exited; else how it was ended
};

// Waits until one of `running` ends. False when waiting failed.
bool waitForItemProcess(const std::vector<ItemProcess>& running, ItemEnd& end);

// A new private folder for the runs' reports. False with `error`.
bool makeScratchFolder(std::filesystem::path& folder, std::string& error);

}  // namespace retime
