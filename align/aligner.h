// Finding the mapping that re-times one subtitle (INPUT, fitting an old
// release) to another subtitle of the new release (REF, usually another
// language): one ratio for the whole film, and a shift per piece, a new piece
// wherever a scene was added or cut.
//
// A cue of INPUT starting at s maps with the last piece whose `from` is at or
// before s (the first piece takes everything before it too): a time t becomes
// t x ratio + shift, truncated toward zero - the same arithmetic as the
// tool's segments, so the mapping can be written by them exactly.
#pragma once

#include <stdint.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace align {

// One cue's times in milliseconds.
struct Cue {
    int32_t start;
    int32_t end;
};

struct Piece {
    int32_t from;   // INPUT time where the piece starts: the start of its first cue
    int32_t shift;  // milliseconds
};

struct AlignSettings {
    int maxSplits = 8;                 // places where a scene was added or cut, 0 to kMostSplits
    std::optional<double> fixedRatio;  // the ratio to use instead of searching for one
    bool speech = false;               // REF's cues are runs of a film's speech (speechRuns)
};

constexpr int kMostSplits = 16;

// A ratio tried and how well the best mapping with it fits REF.
struct RatioCandidate {
    double ratio = 1.0;
    std::string name;   // the frame-rate pair ("25 -> 23.976"), "" for 1 or a free ratio
    double score = 0;   // the mapping's score: summed overlap, less a penalty per split
};

struct Alignment {
    bool matched = false;         // false: too little in common; nothing else is meaningful
    RatioCandidate chosen;
    bool freeRatio = false;       // a slow drift, not a frame-rate pair
    std::optional<RatioCandidate> runnerUp;  // the best other ratio tried
    std::vector<Piece> pieces;    // ascending `from`, at least one
    bool unchanged = false;       // INPUT already fits: identity mapping kept
    int32_t cues = 0;             // INPUT cues considered (those with an end after their start, at most 8 at one moment)
    int32_t partnered = 0;        // of these, the ones that found a partner in REF
    std::string failure;          // why there is too little in common, when !matched

    // How sure the mapping is (when matched). Evidence: the INPUT cues of
    // pieces that meet REF's cue edges far beyond chance, mapped where REF
    // has cues; the rest only carry a piece on.
    int32_t withEvidence = 0;
    double timeWithEvidence = 0;  // the share of INPUT's time (first to last start) they stand for
    int32_t met = 0;              // INPUT cues whose edges meet REF's after mapping
    bool sure = false;
    std::string doubt;            // when not sure: what competed, or what is missing
    std::string decidedBy;        // how the ratio won over the close candidates
};

// Aligns INPUT to REF. The cues may come in any order.
Alignment alignCues(std::span<const Cue> input, std::span<const Cue> reference, const AlignSettings& settings);

// The piece (index into `pieces`) of a cue starting at `start`.
std::size_t pieceFor(const std::vector<Piece>& pieces, int32_t start);

// t x ratio + shift, truncated toward zero, in 64 bits (a time past the
// 32-bit range is the caller's to refuse).
int64_t mapTime(int64_t t, double ratio, int64_t shift);

}  // namespace align
