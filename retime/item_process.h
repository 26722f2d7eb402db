// A batch item's run: a process of its own (a file that crashes cannot stop
// the rest), its standard input and output on the null device, its standard
// error in a file. One seam per platform: on POSIX a fork of this process
// that calls the tool's own run (loading the program and its shared
// libraries again would cost more than a small file's work); on Windows this
// executable started again (CreateProcessW).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace retime {

using ItemProcess = std::intptr_t;  // a pid, or a process handle on Windows

// The tool's run for one command line (without the program's name): its exit
// status.
using ItemRun = int (*)(const std::vector<std::string>& arguments);

// Runs the tool with `args` (args[0] is its name) in a process of its own:
// `run` in a fork on POSIX, this executable on Windows. False with `error`
// when it cannot be started.
bool startItemProcess(const std::vector<std::string>& args, const std::filesystem::path& errPath, ItemRun run,
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
