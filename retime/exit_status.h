// The exit statuses of tessaly-retime, in one table: every mode returns one
// of these, and --help, the manual page and the README list the same.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "retime/messages.h"

namespace retime {

enum ExitStatus : int {
    kExitDone = 0,             // done; with --check, already in sync
    kExitSourceOrder = 1,      // source times out of order
    kExitUsage = 2,            // bad usage or value
    kExitFileOrTime = 3,       // a file cannot be read or written, or a time cannot be held
    kExitNothingInCommon = 4,  // INPUT and REF have too little in common
    kExitUnsure = 5,           // the alignment is unsure: nothing written
    kExitNeedsRetiming = 6,    // --check: INPUT needs re-timing
    kExitBatchIncomplete = 7,  // a batch in which some files were not done
};

// --help prints "  N  MEANING": a meaning fits in 74 columns.
inline constexpr std::size_t kExitMeaningWidth = 74;

struct ExitStatusEntry {
    ExitStatus status;
    std::string_view meaning;  // one line, as --help prints it (in English: tr() gives the user's language)
};

inline constexpr std::array<ExitStatusEntry, 8> kExitStatuses = {{
    {kExitDone, N_("done (with --check: INPUT already in sync)")},
    {kExitSourceOrder, N_("a source time not at least 1 ms after the one of the row below it")},
    {kExitUsage, N_("bad usage or a bad value")},
    {kExitFileOrTime, N_("a file cannot be read or written, or a mapped time cannot be held")},
    {kExitNothingInCommon, N_("INPUT and REF have too little in common; nothing written")},
    {kExitUnsure, N_("the alignment is unsure; nothing written")},
    {kExitNeedsRetiming, N_("--check: INPUT needs re-timing")},
    {kExitBatchIncomplete, N_("a batch in which some files were not done")},
}};

// Each status at its own index, counting from 0, each with a meaning that
// fits on one line of --help.
constexpr bool exitStatusesInOrder() {
    for (std::size_t i = 0; i < kExitStatuses.size(); ++i) {
        const ExitStatusEntry& e = kExitStatuses[i];
        if (static_cast<std::size_t>(e.status) != i) return false;
        if (e.meaning.empty() || e.meaning.size() > kExitMeaningWidth || e.meaning.find('\n') != std::string_view::npos) return false;
    }
    return true;
}
static_assert(exitStatusesInOrder(), "kExitStatuses: one entry per status, in order, each a one-line meaning");
static_assert(kExitStatuses.back().status == kExitBatchIncomplete, "kExitStatuses: the last status is listed");

// The "Exit status" paragraph of --help.
std::string exitStatusUsage();

}  // namespace retime
