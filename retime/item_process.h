// The runs of a batch's items, each in a process apart from the batch (a file
// that crashes its run cannot stop the rest), standard input and output on
// the null device, standard error in a file of the item's own. One seam per
// platform. On POSIX, worker processes forked from the batch call the tool's
// own run for one item after another: neither the program and its shared
// libraries are loaded again nor the memory a run needs faulted in afresh,
// which for a small file cost more than its work. A worker whose item did not
// end cleanly is replaced by a fresh one. On Windows each item is this
// executable started again (CreateProcessW).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace retime {

// The tool's run for one command line (without the program's name): its exit
// status.
using ItemRun = int (*)(const std::vector<std::string>& arguments);

using ItemId = std::intptr_t;

struct ItemEnd {
    ItemId item = 0;
    int status = 0;      // its exit status, or 128 + signal
    std::string killed;  // "" when it ended by itself; else how its run was ended
};

class ItemRuns {
public:
    // At most `jobs` runs at once, each by `run`.
    ItemRuns(ItemRun run, std::size_t jobs);
    ~ItemRuns();
    ItemRuns(const ItemRuns&) = delete;
    ItemRuns& operator=(const ItemRuns&) = delete;

    // Starts the tool with `args` (args[0] is its name), its standard error
    // into `errPath`; `item` names the run. False with `error` when it cannot
    // be started.
    bool start(const std::vector<std::string>& args, const std::filesystem::path& errPath, ItemId& item,
               std::string& error);
    // Waits until one started run ends. False when none is running or
    // waiting failed.
    bool waitForOne(ItemEnd& end);

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

// A new private folder for the runs' reports. False with `error`.
bool makeScratchFolder(std::filesystem::path& folder, std::string& error);

}  // namespace retime
