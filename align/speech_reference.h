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

// A cue start and a run start closer than this are the same onset of speech.
constexpr int64_t kOnsetReach = 250;
// A piece is moved to the onsets only when this many of its cues meet one.
constexpr std::size_t kLeastOnsets = 8;

// The overlap of cues with speech runs is flat over a range of shifts (a cue
// longer than its speech covers it at many), so each piece found against
// `runs` is moved last by the median distance from its cues' mapped starts to
// the nearest onset of speech, over the cues that meet one. An INPUT kept as
// it is stays so.
void alignToOnsets(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs);

}  // namespace align
