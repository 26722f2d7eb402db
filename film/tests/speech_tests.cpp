// The detector against the known speech of the made films, and the pieces
// decoded at once against one decoding of the whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "film/parallel_decode.h"
#include "film/tests/film_test_support.h"

using namespace film_test;

namespace {

// Measured on these films (film/tests/score_timeline.py): WebRTC's detector
// alone finds more of the spoken frames but calls three quarters of the
// music speech; these bounds hold the joined detector a little below its
// figures.
struct Expectation {
    const char* film;
    double found;  // at least
};
const Expectation kByRatio[] = {
    {"tos-en-snr-20db-flac.flac", 0.75},
    {"tos-en-10db-flac.flac", 0.75},
    {"tos-en-snr-0db-flac.flac", 0.62},
};

TEST(Speech, FoundOverEveryBackgroundAndNoneInTheMusicOnlyStretch) {
    Truth truth = readTruth("tos-en");
    ASSERT_FALSE(truth.music.empty());
    for (const Expectation& e : kByRatio) {
        film::DetectResult r = detect(e.film);
        Score s = score(r.timeline, truth);
        EXPECT_GE(s.found, e.found) << e.film;
        EXPECT_LE(s.inMusic, 0.02) << e.film;
        EXPECT_LE(s.falseAlarm, 0.08) << e.film;
        EXPECT_NEAR(r.timeline.durationMs(), truth.durationMs, 20) << e.film;
        EXPECT_TRUE(r.warning.empty()) << r.warning;
    }
}

TEST(Speech, PiecesAtOnceGiveTheTimelineOfOneDecoding) {
    for (const char* name : {"tos-en-10db-flac.flac", "tos-en-10db-mkv-aac+video+srt.mkv"}) {
        film::DetectResult one = detect(name, 1);
        film::DetectResult three = detect(name, 3);
        EXPECT_EQ(one.pieces, 1);
        EXPECT_EQ(three.pieces, 3) << name;
        ASSERT_EQ(one.timeline.speech.size(), three.timeline.speech.size()) << name;
        size_t differ = 0;
        for (size_t i = 0; i < one.timeline.speech.size(); ++i) differ += one.timeline.speech[i] != three.timeline.speech[i];
        EXPECT_LE(differ, 2u) << name;
        EXPECT_EQ(one.decodedMs, three.decodedMs) << name;
    }
}

// Keeps every sample with its place.
class Recorder : public film::SampleSink {
public:
    void take(int64_t position, const int16_t* samples, size_t count) override {
        if (next_ >= 0) {
            EXPECT_EQ(position, next_) << "a gap or an overlap inside a piece";
        }
        if (start_ < 0) start_ = position;
        next_ = position + static_cast<int64_t>(count);
        kept_.insert(kept_.end(), samples, samples + count);
    }
    int16_t at(int64_t position) const { return kept_[static_cast<size_t>(position - start_)]; }
    bool holds(int64_t position) const { return position >= start_ && position < next_; }

private:
    int64_t start_ = -1, next_ = -1;
    std::vector<int16_t> kept_;
};

TEST(Speech, PiecesJoinSampleForSampleAtTheSeams) {
    film::FilmInfo info;
    std::string error;
    for (const char* name : {"tos-en-10db-flac.flac", "tos-en-10db-mkv-aac+video+srt.mkv", "tos-en-10db-mp3.mp3"}) {
        ASSERT_TRUE(film::probeFilm(filmPath(name), info, error)) << error;
        int index = info.audio[0].index;
        auto run = [&](int threads, std::vector<std::unique_ptr<Recorder>>& sinks) {
            return film::decodeInPieces(
                filmPath(name), index, nullptr, info.originUs, info.durationMs * 8, threads,
                [&sinks](const std::vector<film::PieceSpan>&, size_t k) -> film::SampleSink& {
                    if (k == 0) sinks.clear();
                    sinks.push_back(std::make_unique<Recorder>());
                    return *sinks.back();
                },
                nullptr, nullptr);
        };
        std::vector<std::unique_ptr<Recorder>> whole, pieces;
        film::ParallelDecode one = run(1, whole), three = run(3, pieces);
        ASSERT_EQ(one.outcome, film::Outcome::Done);
        ASSERT_EQ(three.outcome, film::Outcome::Done);
        ASSERT_EQ(three.pieces.size(), 3u);
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(three.pieces[k].first, three.spans[k].from) << name << " piece " << k;
            if (k + 1 < 3) {
                EXPECT_EQ(three.pieces[k].end, three.spans[k].to) << name << " piece " << k;
            }
        }
        EXPECT_EQ(three.pieces[2].end, one.pieces[0].end) << name;
        // Around each seam both sides hold what one decoding holds (the
        // decoders after a seek have primed: lossy ones within a hair).
        for (size_t k = 1; k < 3; ++k) {
            int64_t seam = three.spans[k].from;
            int worst = 0;
            for (int64_t p = seam - 800; p < seam + 800; ++p) {
                const Recorder& side = *pieces[p < seam ? k - 1 : k];
                ASSERT_TRUE(side.holds(p)) << name << " " << p;
                worst = std::max(worst, std::abs(side.at(p) - whole[0]->at(p)));
            }
            EXPECT_LE(worst, 64) << name << " seam " << k;
        }
    }
}

TEST(Speech, ProgressRisesToTheEndAndCancelStops) {
    std::vector<double> seen;
    film::DetectOptions options;
    options.threads = 2;
    options.progress = [&seen](double f) { seen.push_back(f); };
    film::DetectResult r = film::detectSpeech(filmPath("tos-en-10db-wav.wav"), options);
    ASSERT_EQ(r.outcome, film::Outcome::Done) << r.error;
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);

    std::atomic<bool> cancel{false};
    options.cancel = &cancel;
    options.progress = [&cancel](double) { cancel = true; };
    r = film::detectSpeech(filmPath("tos-en-10db-mkv-ac3.mkv"), options);
    EXPECT_EQ(r.outcome, film::Outcome::Cancelled);
    EXPECT_TRUE(r.timeline.speech.empty());
}

}  // namespace
