// Batches of tessaly-retime: several INPUTs re-timed to one REF
// (--output-dir, --in-place), or a library's subtitles each to its video
// (--library). Each file runs apart from the batch's process (the tool's run
// with the batch's other options, retime/item_process.h), as many at once as
// there are cores: one bad file, even one that crashes, never stops the rest. A summary table on
// standard error at the end, and with --json one entry per file.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "retime/item_process.h"

namespace retime {

struct RetimeOptions;

// One subtitle to re-time to one reference (a subtitle, or a film once the
// reference mode reads films) into `output` ("" with --check).
struct BatchItem {
    std::string input;
    std::string reference;
    std::string output;
    bool keepOriginal = false;  // in place: the original kept as INPUT.orig first
    std::string refused;        // why it cannot run at all ("" when it can)
};

// The batch the options give, each file's run by `run`: the exit status
// (kExitDone when every file was done, kExitBatchIncomplete when some were
// not).
int runBatch(const RetimeOptions& options, std::chrono::steady_clock::time_point started, ItemRun run);

// The arguments of one file's run: the batch's own arguments `passOn`
// (without --reference), then the reference, the report file and the files.
std::vector<std::string> itemArguments(const std::vector<std::string>& passOn, const BatchItem& item,
                                       const std::string& reportPath);

}  // namespace retime
