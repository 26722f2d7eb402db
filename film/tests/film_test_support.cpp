#include "film/tests/film_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace film_test {

std::string filmPath(const std::string& name) { return std::string(TESSALY_FILM_DIR) + "/" + name; }

Truth readTruth(const std::string& name) {
    Truth t;
    std::ifstream in(filmPath(name + ".truth"));
    EXPECT_TRUE(in) << name;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        int64_t a = 0, b = 0;
        words >> kind >> a >> b;
        if (kind == "duration") t.durationMs = a;
        if (kind == "music") t.music.emplace_back(a, b);
        if (kind == "speech") t.speech.emplace_back(a, b);
        if (kind == "cue") t.cues.emplace_back(a, b);
    }
    return t;
}

Score score(const film::SpeechTimeline& timeline, const Truth& truth) {
    const auto& s = timeline.speech;
    auto marked = [&s](const Span& span, size_t& total, size_t& hits) {
        for (int64_t f = span.first / film::kFrameMs; f < span.second / film::kFrameMs; ++f, ++total)
            if (f >= 0 && static_cast<size_t>(f) < s.size() && s[static_cast<size_t>(f)]) ++hits;
    };
    Score out;
    size_t total = 0, hits = 0;
    for (const Span& span : truth.speech) marked(span, total, hits);
    out.found = total ? static_cast<double>(hits) / static_cast<double>(total) : 0;
    total = hits = 0;
    for (const Span& span : truth.music) marked(span, total, hits);
    out.inMusic = total ? static_cast<double>(hits) / static_cast<double>(total) : 0;
    std::vector<uint8_t> inCue(s.size(), 0);
    for (const Span& c : truth.cues)
        for (int64_t f = c.first / film::kFrameMs; f < c.second / film::kFrameMs && static_cast<size_t>(f) < s.size(); ++f)
            inCue[static_cast<size_t>(f)] = 1;
    total = hits = 0;
    for (size_t f = 0; f < s.size(); ++f)
        if (!inCue[f]) {
            ++total;
            hits += s[f];
        }
    out.falseAlarm = total ? static_cast<double>(hits) / static_cast<double>(total) : 0;
    return out;
}

film::DetectResult detect(const std::string& name, int threads) {
    film::DetectOptions options;
    options.threads = threads;
    film::DetectResult r = film::detectSpeech(filmPath(name), options);
    EXPECT_EQ(r.outcome, film::Outcome::Done) << name << ": " << r.error;
    return r;
}

}  // namespace film_test
