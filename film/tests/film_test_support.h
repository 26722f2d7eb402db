// The made test films and what is known about them (written by
// make_test_film.py beside each film), and the detector's timeline scored
// against it.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "film/film.h"

namespace film_test {

using Span = std::pair<int64_t, int64_t>;  // milliseconds, end excluded

struct Truth {
    int64_t durationMs = 0;
    std::vector<Span> music;   // music-only stretches
    std::vector<Span> speech;  // where words are spoken
    std::vector<Span> cues;    // the cues' own times
};

std::string filmPath(const std::string& name);
Truth readTruth(const std::string& name);  // "tos-en" reads tos-en.truth

struct Score {
    double found = 0;       // share of spoken frames marked speech
    double inMusic = 0;     // share of music-only frames marked speech
    double falseAlarm = 0;  // share of frames outside every cue (music included) marked speech
};
Score score(const film::SpeechTimeline& timeline, const Truth& truth);

// detectSpeech that must succeed.
film::DetectResult detect(const std::string& name, int threads = 0);

}  // namespace film_test
