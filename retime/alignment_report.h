// The reference mode's part of the run's report (run_report.h): the mapping
// the aligner found and its verdict; and --check's judgement of it.
#pragma once

#include <stdint.h>

#include <span>
#include <string>

#include "align/aligner.h"
#include "retime/reference_options.h"

namespace retime {

// Notes the mapping (with `ratio`, the one it is written with) and the verdict.
void reportAlignment(const align::Alignment& found, double ratio);

// Notes the figures of an alignment that found too little in common.
void reportNoMatch(const align::Alignment& found);

// --check on a sure alignment: the largest move the mapping gives a time of
// `cues`, against the tolerance. kExitDone when within it (already in sync),
// else kExitNeedsRetiming; the line that says so in `line`.
int checkAlignment(const align::Alignment& found, double ratio, std::span<const align::Cue> cues, int toleranceMs,
                   std::string& line);

}  // namespace retime
