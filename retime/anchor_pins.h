// --anchor SOURCE@TARGET with --reference: moments the user knows, pinned in
// the aligner's mapping. Each pin sets the shift of the piece that maps its
// SOURCE so that SOURCE maps to TARGET to the millisecond; two pins in one
// piece that need different shifts split it at the INPUT cue between them
// that starts nearest their middle. A pin far from what REF's evidence gives is honoured and
// reported as contradicting it.
#pragma once

#include <stdint.h>

#include <span>
#include <string>
#include <vector>

#include "align/aligner.h"

namespace retime {

struct Anchor {
    int32_t source;
    int32_t target;
};

// A pin further than this from the evidence contradicts it.
inline constexpr int32_t kAnchorSlackMs = 500;

struct PinResult {
    std::vector<std::string> lines;  // one per anchor, for the report
    bool changed = false;            // a shift moved or a piece was added
    std::vector<std::string> contradicting;  // the lines of the pins that contradict REF
};

// Pins every anchor into `pieces` (the mapping with `ratio` over `cues`).
// The anchors must ascend in both source and target (checked when read).
PinResult pinAnchors(std::vector<align::Piece>& pieces, double ratio, std::span<const align::Cue> cues,
                     std::vector<Anchor> anchors);

}  // namespace retime
