// Cutting subtitle bytes into header part and cues, and writing them back.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "engine/tests/engine_test_support.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "vexrun/kernel/core/memory.h"

namespace {

using enginetest::EngineTest;
using enginetest::FakeBoxes;
using enginetest::identity;
using enginetest::retimeCustom;
using enginetest::scan;
using ::testing::ElementsAre;

class SubtitleRewriteTest : public EngineTest {};

const std::string kStandard =
    "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nWorld\r\n";

// n cues in the standard form with the given line end.
std::string generated(int n, const std::string& eol) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        const int start = i * 2500 + 7, end = start + 1999;
        char line[64];
        std::snprintf(line, sizeof line, "%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d", start / 3600000,
                      start / 60000 % 60, start / 1000 % 60, start % 1000, end / 3600000, end / 60000 % 60,
                      end / 1000 % 60, end % 1000);
        s += std::to_string(i + 1) + eol + line + eol + "Line " + std::to_string(i) + eol + "\xC4\xE3\xBA\xC3" +
             eol + eol;
    }
    return s;
}

TEST_F(SubtitleRewriteTest, StandardTextGivesHeaderCuesAndTails) {
    const auto s = scan(kStandard);
    EXPECT_EQ(s.header, "1\r\n");
    EXPECT_THAT(s.starts, ElementsAre(1000, 3000));
    EXPECT_THAT(s.ends, ElementsAre(2000, 4000));
    EXPECT_THAT(s.tails, ElementsAre("\r\nHello\r\n\r\n2\r\n", "\r\nWorld\r\n"));
}

TEST_F(SubtitleRewriteTest, IdentityGivesBackStandardTextByteForByte) {
    EXPECT_EQ(identity(kStandard), kStandard);
    const std::string big = generated(2000, "\r\n");
    EXPECT_EQ(identity(big), big);
}

TEST_F(SubtitleRewriteTest, HeaderPartAtTheEdges) {
    // A time line first: the header part is one line end, an empty first line.
    EXPECT_EQ(scan("00:00:01,000 --> 00:00:02,000\r\nA\r\n").header, "\r\n");
    EXPECT_EQ(identity("00:00:01,000 --> 00:00:02,000\r\nA\r\n"), "\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n");
    // An empty input: one empty line, no cues.
    const auto empty = scan("");
    EXPECT_EQ(empty.header, "\r\n");
    EXPECT_TRUE(empty.starts.empty());
    // Bytes in front of the first time line pass whatever they hold.
    const std::string front = "\xEF\xBB\xBF" "x\x01y\r\n\r\n 7 \r\n00:00:01,000 --> 00:00:02,000\r\n";
    EXPECT_EQ(identity(front), front);
}

TEST_F(SubtitleRewriteTest, TextWithoutTimeLinesComesBackWhole) {
    EXPECT_EQ(identity("abc\r\ndef\r\n"), "abc\r\ndef\r\n");
    EXPECT_EQ(identity("abc\r\ndef"), "abc\r\ndef\r\n");
    EXPECT_EQ(identity("abc\ndef"), "abc\ndef\n");
    EXPECT_EQ(identity("abc"), "abc\r\n");
    EXPECT_EQ(identity("-- >"), "-- >\r\n");
}

TEST_F(SubtitleRewriteTest, LastTimeLineWithoutLineEnd) {
    const auto s = scan("1\r\n00:00:01,000 --> 00:00:02,500");
    EXPECT_THAT(s.ends, ElementsAre(2500));
    EXPECT_THAT(s.tails, ElementsAre(""));
    EXPECT_EQ(identity("1\r\n00:00:01,000 --> 00:00:02,500"), "1\r\n00:00:01,000 --> 00:00:02,500");
}

TEST_F(SubtitleRewriteTest, TimeLinesComeOutInTheStandardForm) {
    // Coordinates behind the end time are dropped; the end still reads as 2000.
    EXPECT_EQ(identity("1\r\n00:00:01,000 --> 00:00:02,000 X1:100 X2:200\r\nA\r\n"),
              "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n");
    EXPECT_EQ(identity("1\r\n0:0:1,5 --> 0:0:2,5\r\n"), "1\r\n00:00:01,005 --> 00:00:02,005\r\n");
    EXPECT_EQ(identity("1\r\n00:00:01,000-->00:00:02,000\r\n"), "1\r\n00:00:01,000 --> 00:00:02,000\r\n");
}

TEST_F(SubtitleRewriteTest, WholeLineInFrontOfTheArrowIsTheStartText) {
    const auto s = scan("x\r\n1 00:00:01,000 --> 00:00:02,000\r\n");
    EXPECT_THAT(s.starts, ElementsAre(360001000));
    EXPECT_EQ(identity("x\r\n1 00:00:01,000 --> 00:00:02,000\r\n"), "x\r\n100:00:01,000 --> 00:00:02,000\r\n");
}

TEST_F(SubtitleRewriteTest, DialogueHoldingAnArrowIsATimeLine) {
    const auto s = scan("1\r\n00:00:01,000 --> 00:00:02,000\r\nA --> B\r\n");
    ASSERT_EQ(s.starts.size(), 2u);
    EXPECT_EQ(identity("1\r\n00:00:01,000 --> 00:00:02,000\r\nA --> B\r\n"),
              "1\r\n00:00:01,000 --> 00:00:02,000\r\n00:00:00,000 --> 00:00:00,000\r\n");
}

TEST_F(SubtitleRewriteTest, FurtherArrowsOnATimeLineBelongToItsEndText) {
    const std::string input = "1\r\n00:00:01,000 --> 00:00:02,000 --> 00:00:03,000\r\nA\r\n";
    const auto s = scan(input);
    EXPECT_THAT(s.starts, ElementsAre(1000));
    EXPECT_THAT(s.ends, ElementsAre(2000));
    EXPECT_THAT(s.tails, ElementsAre("\r\nA\r\n"));
    EXPECT_EQ(identity(input), "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n");
}

TEST_F(SubtitleRewriteTest, LoneLineFeedsAreLineEndsAndStayAsTheyWere) {
    const std::string lf = generated(50, "\n");
    const auto s = scan(lf);
    EXPECT_EQ(s.header, "1\n");
    EXPECT_EQ(s.starts.size(), 50u);
    EXPECT_EQ(s.tails[0], "\nLine 0\n\xC4\xE3\xBA\xC3\n\n2\n");
    EXPECT_EQ(identity(lf), lf);
    // A time line first: the added line end is the input's own kind.
    EXPECT_EQ(identity("00:00:01,000 --> 00:00:02,000\nA\n"), "\n00:00:01,000 --> 00:00:02,000\nA\n");
}

TEST_F(SubtitleRewriteTest, MixedLineEndsKeepEveryLineAndLineEnd) {
    const std::string mixed =
        "1\n00:00:01,000 --> 00:00:02,000\r\nA\nB\r\n\n2\r\n00:00:03,000 --> 00:00:04,000\nC\r\r\n\r\n"
        "3\n00:00:05,000 --> 00:00:06,000\r";
    const auto s = scan(mixed);
    EXPECT_EQ(s.header, "1\n");
    EXPECT_THAT(s.starts, ElementsAre(1000, 3000, 5000));
    EXPECT_THAT(s.ends, ElementsAre(2000, 4000, 6000));
    // A CR not followed by LF is a line end of its own, kept as it was.
    EXPECT_THAT(s.tails, ElementsAre("\r\nA\nB\r\n\n2\r\n", "\nC\r\r\n\r\n3\n", "\r"));
    EXPECT_EQ(identity(mixed), mixed);
}

TEST_F(SubtitleRewriteTest, LoneCarriageReturnsAreLineEnds) {
    // An old Mac subtitle: every line end a lone CR.
    const std::string mac = generated(3, "\r");
    const auto s = scan(mac);
    EXPECT_EQ(s.header, "1\r");
    EXPECT_THAT(s.starts, ElementsAre(7, 2507, 5007));
    EXPECT_EQ(s.tails[0], "\rLine 0\r\xC4\xE3\xBA\xC3\r\r2\r");
    EXPECT_EQ(identity(mac), mac);
    EXPECT_EQ(retimeCustom(mac, 1.0, 1000).substr(0, 32), "1\r00:00:01,007 --> 00:00:03,006\r");
    // The added line end is the input's own kind; a lone CR ends a text too.
    EXPECT_EQ(identity("00:00:01,000 --> 00:00:02,000\rA\r"), "\r00:00:01,000 --> 00:00:02,000\rA\r");
    EXPECT_EQ(identity("abc\rdef\r"), "abc\rdef\r");
    EXPECT_EQ(identity("abc\rdef"), "abc\rdef\r");
}

// The line-end rule written out plainly over std::string: `loneCr` false is
// the rule before lone CRs were line ends (LF with an optional CR in front).
std::string modelRetime(const std::string& s, bool loneCr, double ratio, int32_t shift) {
    const size_t n = s.size();
    auto lineEndAt = [&](size_t from) {
        if (loneCr) return std::min(s.find_first_of("\r\n", from), n);
        const size_t j = s.find('\n', from);
        if (j == std::string::npos) return n;
        return j > from && s[j - 1] == '\r' ? j - 1 : j;
    };
    auto lineStart = [&](size_t at) {
        const size_t j = loneCr ? s.find_last_of("\r\n", at - 1) : s.rfind('\n', at - 1);
        return at == 0 || j == std::string::npos ? size_t{0} : j + 1;
    };
    auto kind = [&]() -> std::string {
        const size_t j = loneCr ? s.find_first_of("\r\n") : s.find('\n');
        if (j == std::string::npos) return "\r\n";
        if (loneCr) return s.compare(j, 2, "\r\n") == 0 ? "\r\n" : s.substr(j, 1);
        return j > 0 && s[j - 1] == '\r' ? "\r\n" : "\n";
    };
    engine::useCustomMapping(ratio, shift);
    const engine::SegmentFit fit = engine::storedSegmentFit(engine::FitMode::CustomRatio, 1);
    auto timeText = [&](size_t at, size_t count) {
        return enginetest::format(engine::mapTime(engine::parseTimeText(s.substr(at, count).c_str()), fit));
    };

    size_t arrow = s.find("-->");
    if (arrow == std::string::npos) {
        const bool ended = n > 0 && (s.back() == '\n' || (loneCr && s.back() == '\r'));
        return ended ? s : s + kind();
    }
    size_t start = lineStart(arrow);
    std::string out = start > 0 ? s.substr(0, start) : kind();
    while (arrow != std::string::npos) {
        const size_t end = lineEndAt(arrow);
        const size_t next = s.find("-->", end);
        const size_t nextStart = next == std::string::npos ? n : lineStart(next);
        out += timeText(start, arrow - start) + " --> " + timeText(arrow + 3, end - arrow - 3) +
               s.substr(end, nextStart - end);
        arrow = next, start = nextStart;
    }
    return out;
}

// Random subtitle-like texts built from pieces that matter to the scan.
std::string randomText(std::mt19937& rng, bool loneCrs) {
    static const char* const kPieces[] = {"\r\n", "\n", "-->", " --> ", "00:00:01,000", "1:2,5", "7", "x",
                                          "\xC4\xE3", " ", ",", ":", "-", ">", "\r"};
    const size_t kinds = sizeof kPieces / sizeof kPieces[0] - (loneCrs ? 0 : 1);
    std::string s;
    for (int k = std::uniform_int_distribution<int>(0, 40)(rng); k > 0; --k) {
        s += kPieces[std::uniform_int_distribution<size_t>(0, kinds - 1)(rng)];
    }
    return s;
}

TEST_F(SubtitleRewriteTest, CrLfAndLfTextsGiveTheBytesOfBeforeAndEveryTextFollowsTheRule) {
    std::mt19937 rng(9);
    for (int i = 0; i < 3000; ++i) {
        const bool loneCrs = i % 2;
        const std::string input = randomText(rng, loneCrs);
        const std::string got = retimeCustom(input, 1.5, -700);
        if (!loneCrs) {
            ASSERT_EQ(got, modelRetime(input, false, 1.5, -700)) << testing::PrintToString(input);
        }
        ASSERT_EQ(got, modelRetime(input, true, 1.5, -700)) << testing::PrintToString(input);
    }
}

TEST_F(SubtitleRewriteTest, RebuildWritesMappedTimes) {
    EXPECT_EQ(retimeCustom(kStandard, 1.0, 500),
              "1\r\n00:00:01,500 --> 00:00:02,500\r\nHello\r\n\r\n"
              "2\r\n00:00:03,500 --> 00:00:04,500\r\nWorld\r\n");
    // Negative mapped times keep their "-".
    EXPECT_EQ(retimeCustom(kStandard, 1.0, -2500),
              "1\r\n-00:00:01,500 --> -00:00:00,500\r\nHello\r\n\r\n"
              "2\r\n00:00:00,500 --> 00:00:01,500\r\nWorld\r\n");
    EXPECT_EQ(retimeCustom(kStandard, 0.5, 0),
              "1\r\n00:00:00,500 --> 00:00:01,000\r\nHello\r\n\r\n"
              "2\r\n00:00:01,500 --> 00:00:02,000\r\nWorld\r\n");
}

TEST_F(SubtitleRewriteTest, EachCueIsMappedWithTheSegmentOfItsStart) {
    FakeBoxes boxes;
    boxes.source[0] = 0, boxes.source[2] = 60000, boxes.source[4] = 120000;
    boxes.target[0] = 0, boxes.target[2] = 60000, boxes.target[4] = 180000;  // segment 2: ratio 2
    engine::SegmentFits fits{};
    const std::string input =
        "1\r\n00:00:59,999 --> 00:01:00,999\r\n"   // starts 1 ms before S2: segment 1, end too
        "2\r\n00:01:00,000 --> 00:01:01,000\r\n";  // starts at S2: segment 2
    enginetest::scan(input);
    ASSERT_TRUE(engine::fitSegments(engine::FitMode::TwoSegments, boxes.points(), &fits));
    ASSERT_TRUE(engine::rebuildSubtitle(engine::FitMode::TwoSegments));
    EXPECT_EQ(enginetest::bytesOfSet(prog::vars()->outputBytes),
              "1\r\n00:00:59,999 --> 00:01:00,999\r\n"
              "2\r\n00:01:00,000 --> 00:01:02,000\r\n");
}

TEST_F(SubtitleRewriteTest, RescanReplacesTheWholeState) {
    EXPECT_EQ(identity(kStandard), kStandard);
    EXPECT_EQ(identity("9\r\n00:00:09,000 --> 00:00:10,000\r\n"), "9\r\n00:00:09,000 --> 00:00:10,000\r\n");
    EXPECT_EQ(prog::elementCount(prog::vars()->tailList), 1);
}

TEST_F(SubtitleRewriteTest, OutputGrowsWithoutCopyingItPerCue) {
    const std::string big = generated(20000, "\r\n");
    scan(big);
    engine::useCustomMapping(1.0, 0);
    const uint64_t before = vexrun::underlyingReallocationCount();
    ASSERT_TRUE(engine::rebuildSubtitle(engine::FitMode::CustomRatio));
    // Geometric growth: a few dozen moves at most, not one per cue.
    EXPECT_LT(vexrun::underlyingReallocationCount() - before, 100u);
    EXPECT_EQ(enginetest::bytesOfSet(prog::vars()->outputBytes), big);
}

}  // namespace
