// A film's speech as REF for the aligner: the speech timeline (one value per
// frame, 1 where someone speaks) turned into runs of speech, each run one
// REF cue. Runs broken only by the pauses between words are one utterance,
// as a subtitle cue would hold it; blips too short for a word are left out.
#pragma once

#include <stdint.h>

#include <span>
#include <vector>

#include "align/aligner.h"

namespace align {

// Speech runs closer than this are one utterance.
constexpr int32_t kWordPause = 100;
// Runs shorter than this are clicks or noise, not words.
constexpr int32_t kShortestUtterance = 120;
// A cue stays on screen a moment after its speech ends: each run's end is
// taken this much later (up to the next run's start), so that the ends of
// cues that fit meet it.
constexpr int32_t kLinger = 200;

// The runs of speech in `frames` (frame i covers [i x frameMs, (i + 1) x
// frameMs)), in time order.
std::vector<Cue> speechRuns(std::span<const uint8_t> frames, int32_t frameMs);

// The runs of `runs` that begin an utterance: those after a pause longer
// than kLinger. A run whose lingering end reaches the next is speech resuming
// within a line, often after a word the detector lost in the background: no
// place a line begins.
std::vector<Cue> utterances(std::span<const Cue> runs);

// A cue start and a run start closer than this are the same onset of speech.
constexpr int64_t kOnsetReach = 250;
// A piece is moved to the onsets only when this many of its cues meet one.
constexpr std::size_t kLeastOnsets = 8;

// The overlap of cues with speech runs is flat over a range of shifts (a cue
// longer than its speech covers it at many), so each piece found against
// `runs` is moved last by the median distance from its cues' mapped starts to
// the nearest onset of an utterance (utterances), over the cues that meet
// one. An INPUT kept as it is stays so.
void alignToOnsets(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs);

// The first and the last kEndStretchCues cues of INPUT mapped where speech
// is, when their piece reaches beyond them, are set only by the cues after
// (or before) them unless they meet the runs' edges beyond chance
// (10^kEndSurprise) at their piece's shift. Against speech a cue at a wrong
// shift still lands near some run's edge, so the evidence of a short piece
// is weak: a scene added or cut near an end can leave such a stretch a scene
// off with no split found and nothing else in doubt. (Against a subtitle the
// splits are found from sharp edges, and an end stretch at chance is REF's
// own lines missing or timed apart, as a fan subtitle's ending often is.)
constexpr std::size_t kEndStretchCues = 20;
constexpr double kEndSurprise = -2.0;
// Other shifts for such a stretch: this far either side of its own, in steps
// this long.
constexpr int64_t kEndReach = 5 * 60 * 1000;
constexpr int64_t kEndStep = 100;

// A sure mapping found against `runs` made unsure (with the doubt saying
// where) when such an end stretch, at chance where it is, meets the runs
// beyond chance at another shift within kEndReach (over all shifts tried).
void doubtEndStretches(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs);

}  // namespace align
