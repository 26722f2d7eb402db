// How far a mapping can be trusted: whether INPUT and REF have enough in
// common at all (cues with a partner against what chance gives, pieces
// meeting REF's cue edges beyond chance), and whether it is sure - no
// competing mapping (the next ratio, one split fewer) fits the cues it would
// move as well.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "align/piece_search.h"

namespace align {

// A mapping as the report names it: "ratio 0.96 (24 -> 25) with 2 pieces".
std::string describe(const Fit& fit);

// Whether `chosen` fits the cues with evidence that `other` would move
// visibly clearly better (PieceSearch::contest); if not, `doubt` says what
// competed (`what` names it). `movedCues`: how many such cues there are.
bool clearlyBetter(const PieceSearch& search, const Fit& chosen, const Fit& other, const std::string& what,
                   std::string& doubt, int64_t* movedCues = nullptr);

// Partners and evidence of the mapping `best` into `result` (partnered, met,
// withEvidence, matched, and the failure when too little is in common).
// Returns the time (ms) that the cues with evidence stand for, each up to
// the next cue's start.
int64_t measureEvidence(const PieceSearch& search, const Fit& best, Alignment& result);

// The verdict on a matched mapping into `result` (sure, doubt,
// timeWithEvidence), `competitor` being the best other mapping found and
// `odd` the stretches left at a shift that another fits clearly better
// (PieceSearch::recoverStretches).
void judge(const PieceSearch& search, const Fit& best, const std::optional<Fit>& competitor, int64_t timeWithEvidence,
           const std::vector<PieceSearch::OddStretch>& odd, Alignment& result);

}  // namespace align
