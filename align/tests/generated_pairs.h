// Generated pairs of subtitles with a known true mapping: an INPUT subtitle of
// an old release, and a REF subtitle of the new release made from the truth
// the way a second subtitle differs from the first (other segmentation, cues
// split and merged, missing and extra cues, a few hundred ms of jitter).
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"

namespace aligntest {

using align::Cue;

// An edit of the new release against the old, at INPUT cue `atCue`: a scene
// of `length` ms added in front of that cue, or (length < 0) the cues from
// atCue on, over about -length ms, cut.
struct Edit {
    int atCue;
    int32_t length;
};

struct Case {
    std::string name;
    double ratio;
    int32_t shift;
    std::vector<Edit> edits;
    bool unrelated = false;  // REF of another film: too little in common
};

struct Pair {
    std::vector<Cue> input;
    std::vector<Cue> reference;
    std::vector<std::optional<double>> trueStart, trueEnd;  // per INPUT cue; none when cut
};

// A pair of `cues` INPUT cues for the case, the same for the same seed.
Pair makePair(const Case& c, unsigned seed, int cues = 1200);

// Cues as an SRT text with CR LF line ends, each cue's text `text` and its number.
std::string srtText(const std::vector<Cue>& cues, const std::string& text);

}  // namespace aligntest
