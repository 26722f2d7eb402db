// A piece found against a film's speech is moved last to the onsets of
// speech its cues start at: onsets of utterances, after silence, not speech
// resuming after a word the detector lost a moment into a line.
#include <gtest/gtest.h>

#include <vector>

#include "align/aligner.h"
#include "align/speech_reference.h"

namespace {

TEST(SpeechReference, PiecesMoveToUtterancesNotToSpeechResumingWithinALine) {
    constexpr int32_t kFrameMs = 10;
    std::vector<align::Cue> cues;
    std::vector<uint8_t> frames(90000 / kFrameMs, 0);
    auto speak = [&](int32_t from, int32_t to) {
        for (int32_t t = from; t < to; t += kFrameMs) frames[static_cast<std::size_t>(t / kFrameMs)] = 1;
    };
    for (int32_t k = 0; k < 20; ++k) {
        const int32_t s = 5000 + 4000 * k;
        cues.push_back({s, s + 2000});
        if (k % 5 < 3) {
            // 12 of the 20 lines lose 120 ms a moment after they begin.
            speak(s, s + 130);
            speak(s + 250, s + 1800);
        } else {
            speak(s, s + 1800);
        }
    }
    const std::vector<align::Cue> runs = align::speechRuns(frames, kFrameMs);
    align::Alignment found;
    found.matched = true;
    found.chosen.ratio = 1.0;
    // Found 150 ms late: the nearest run start of those 12 cues is where their
    // speech resumes (100 ms after the mapped start), not where it began.
    found.pieces = {align::Piece{cues.front().start, 150}};
    align::alignToOnsets(found, cues, runs);
    EXPECT_EQ(found.pieces[0].shift, 0);
}

}  // namespace
