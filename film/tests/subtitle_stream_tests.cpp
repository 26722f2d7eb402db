// A film's text subtitle stream gives the cues it was made with.
#include <gtest/gtest.h>

#include "film/tests/film_test_support.h"

using namespace film_test;

namespace {

TEST(SubtitleStream, EachTextCodecGivesTheCuesBack) {
    Truth truth = readTruth("tos-en");
    for (const char* name : {"tos-en-10db-mkv-aac+video+srt.mkv", "tos-en-10db-mkv-opus+ass.mkv",
                             "tos-en-10db-mp4-aac+video+mov_text.mp4"}) {
        std::vector<film::SubtitleCue> cues;
        std::string error;
        ASSERT_TRUE(film::readSubtitleStream(filmPath(name), 0, cues, error)) << error;
        ASSERT_EQ(cues.size(), truth.cues.size()) << name;
        // ffmpeg's muxer moves every stream by the sound encoder's delay
        // (AAC: 21 ms) when it writes the film: the same for every cue.
        int64_t moved = cues[0].startMs - truth.cues[0].first;
        EXPECT_LE(std::abs(moved), 30) << name;
        for (size_t i = 0; i < cues.size(); ++i) {
            EXPECT_NEAR(cues[i].startMs - moved, truth.cues[i].first, 1) << name << " cue " << i;
            EXPECT_NEAR(cues[i].endMs - moved, truth.cues[i].second, 1) << name << " cue " << i;
            EXPECT_FALSE(cues[i].text.empty());
        }
    }
    std::vector<film::SubtitleCue> cues;
    std::string error;
    ASSERT_TRUE(film::readSubtitleStream(filmPath("tos-en-10db-mkv-aac+video+srt.mkv"), 0, cues, error));
    EXPECT_EQ(cues[0].text, "Are you ready?");
    EXPECT_FALSE(film::readSubtitleStream(filmPath("tos-en-10db-mkv-aac+video+srt.mkv"), 1, cues, error));
    EXPECT_NE(error.find(": has no subtitle stream 1 (its text subtitle streams are 0 to 0)"), std::string::npos) << error;
    EXPECT_FALSE(film::readSubtitleStream(filmPath("tos-en-10db-flac.flac"), 0, cues, error));
    EXPECT_NE(error.find(": has no text subtitle stream"), std::string::npos) << error;
}

}  // namespace
