// Every container and codec the films come in gives the same speech, and the
// streams are listed with their tags.
#include <gtest/gtest.h>

#include "film/tests/film_test_support.h"

using namespace film_test;

namespace {

std::vector<int64_t> onsets(const std::vector<uint8_t>& s) {
    std::vector<int64_t> out;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i] && !s[i - 1]) out.push_back(static_cast<int64_t>(i));
    return out;
}

TEST(Containers, EveryFormatGivesTheSpeechOfThePlainWave) {
    film::DetectResult wave = detect("tos-en-10db-wav.wav");
    std::vector<int64_t> reference = onsets(wave.timeline.speech);
    ASSERT_GT(reference.size(), 20u);
    for (const char* name : {"tos-en-10db-flac.flac", "tos-en-10db-mp3.mp3", "tos-en-10db-mkv-aac+video+srt.mkv",
                             "tos-en-10db-mkv-ac3.mkv", "tos-en-10db-mkv-opus+ass.mkv",
                             "tos-en-10db-mp4-aac+video+mov_text.mp4"}) {
        film::DetectResult r = detect(name);
        EXPECT_NEAR(r.timeline.durationMs(), wave.timeline.durationMs(), 60) << name;
        // Most onsets of the wave's speech are found within two frames, and
        // nearly every frame says the same.
        std::vector<int64_t> got = onsets(r.timeline.speech);
        size_t near = 0;
        for (int64_t o : reference) {
            auto it = std::lower_bound(got.begin(), got.end(), o - 2);
            if (it != got.end() && *it <= o + 2) ++near;
        }
        // (AC-3 and lossy coding at another level move a few onsets by more.)
        EXPECT_GE(static_cast<double>(near) / static_cast<double>(reference.size()), 0.7) << name;
        size_t same = 0, n = std::min(r.timeline.speech.size(), wave.timeline.speech.size());
        for (size_t i = 0; i < n; ++i) same += r.timeline.speech[i] == wave.timeline.speech[i];
        EXPECT_GE(static_cast<double>(same) / static_cast<double>(n), 0.98) << name;
    }
}

TEST(Containers, StreamsAreListedWithTheirLanguage) {
    struct Case {
        const char* film;
        const char* codec;
        int channels;
        const char* subtitle;  // "" none
    };
    const Case cases[] = {
        {"tos-en-10db-mkv-aac+video+srt.mkv", "aac", 2, "subrip"},
        {"tos-en-10db-mkv-ac3.mkv", "ac3", 6, ""},
        {"tos-en-10db-mkv-opus+ass.mkv", "opus", 2, "ass"},
        {"tos-en-10db-mp4-aac+video+mov_text.mp4", "aac", 2, "mov_text"},
    };
    for (const Case& c : cases) {
        film::FilmInfo info;
        std::string error;
        ASSERT_TRUE(film::probeFilm(filmPath(c.film), info, error)) << error;
        ASSERT_EQ(info.audio.size(), 1u) << c.film;
        EXPECT_EQ(info.audio[0].codec, c.codec);
        EXPECT_EQ(info.audio[0].language, "eng") << c.film;
        EXPECT_EQ(info.audio[0].channels, c.channels) << c.film;
        EXPECT_EQ(info.bestAudio, 0);
        EXPECT_NEAR(info.durationMs, readTruth("tos-en").durationMs, 200) << c.film;
        if (*c.subtitle) {
            ASSERT_EQ(info.subtitles.size(), 1u) << c.film;
            EXPECT_EQ(info.subtitles[0].codec, c.subtitle);
            EXPECT_EQ(info.subtitles[0].language, "eng");
        } else {
            EXPECT_TRUE(info.subtitles.empty());
        }
    }
}

}  // namespace
