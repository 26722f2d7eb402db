// The tuning of the piece search, shared by its parts (align/piece_search.h).
#pragma once

#include <stdint.h>

namespace align {

// Candidate offsets lie at least this far apart before refining.
constexpr int64_t kPeakSpacing = 500;
// The sequence of offsets also weighs how closely each cue's edges meet
// REF's (0 to 2 a cue), so that cues fitted by chance somewhere else in a
// dense REF do not win over their true place.
constexpr double kEdgeWeight = 0.5;
// Votes for the offsets of short pieces: within this reach of the whole
// film's offset, in bins this wide, at least this many in two neighbouring
// bins.
constexpr int64_t kVoteReach = 20 * 60 * 1000;
constexpr int64_t kVoteBin = 200;
constexpr int32_t kLeastVotes = 8;
// Neighbouring pieces whose shifts differ by less than this are one: an added
// or cut scene is longer, and a smaller change only follows the jitter of
// REF's timing over a stretch.
constexpr int64_t kShortestEdit = 500;
// A piece is supported when its cue edges meet REF's so often that chance,
// over every offset and ratio tried, gives that with a probability below
// 10^kLeastSurprise.
constexpr double kLeastSurprise = -2.0;
// A piece short of that stays between its neighbours when its cues meet
// REF's edges beyond chance at its own offset (10^kLeastLocalSurprise, as
// if that offset alone were tried) and fit clearly better than under either
// neighbour's shift: a short stretch between two edits.
constexpr double kLeastLocalSurprise = -3.0;

// Against speech, the places for a change of offset whose evidence lies
// within this of the best one's (half of one cue's start meeting an
// onset: a cue meeting the other release's scene by chance, or an onset
// hidden in speech running on from the cue before) are told apart by the
// pause before them.
constexpr double kSpeechDoubt = 0.5;
// Against a subtitle, likewise for places within this of the best one's (a
// cue next to an edit meeting a REF cue's edge of the other side by chance).
// On the real pairs 0.25 to 0.4 only gain; from 0.5 one cue next to an edit
// goes to the wrong side.
constexpr double kSubtitleDoubt = 0.4;
// Against speech, a change is placed by how much of each cue's time speech
// covers at either shift, weighed this much against an onset met: near an
// edit the speech runs on across lines, so a cue's own onset is often hidden
// and its overlap with one long run says little, while a cue of the other
// side lands partly on silence.
constexpr double kSpeechCoverWeight = 3.0;
// Against speech, a pause in INPUT (at least kShortestHeardPause long) meeting
// silence in the film weighs this much: its first half, past the time the
// cue's speech takes to die away in the detector, at most kLongestHeardPause.
// On the made films it mends a split missed at 0 dB (a cue whose onset is
// hidden landed in the other release's talk) and sends fewer cues next to an
// edit to the wrong side; weights of 1 to 2, pauses from 300 to 600 ms and
// windows of 0.6 to 1.5 s gain nearly as much.
constexpr double kSilenceWeight = 1.5;
constexpr int64_t kShortestHeardPause = 400;
constexpr int64_t kSpeechDyingAway = 200;
constexpr int64_t kLongestHeardPause = 1000;

}  // namespace align
