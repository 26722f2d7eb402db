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
    // A time line first: no header part, and no line end put in front.
    EXPECT_EQ(scan("00:00:01,000 --> 00:00:02,000\r\nA\r\n").header, "");
    EXPECT_EQ(retimeCustom("00:00:01,000 --> 00:00:02,000\r\nA\r\n", 1.0, 1), "00:00:01,001 --> 00:00:02,001\r\nA\r\n");
    // A byte-order mark in front of a first time line is no part of its time.
    EXPECT_EQ(retimeCustom("\xEF\xBB\xBF" "00:00:01,000 --> 00:00:02,000\n", 1.0, 1),
              "\xEF\xBB\xBF" "00:00:01,001 --> 00:00:02,001\n");
    // An empty input: nothing, no cues.
    const auto empty = scan("");
    EXPECT_EQ(empty.header, "");
    EXPECT_TRUE(empty.starts.empty());
    // Bytes in front of the first time line pass whatever they hold.
    const std::string front = "\xEF\xBB\xBF" "x\x01y\r\n\r\n 7 \r\n00:00:01,000 --> 00:00:02,000\r\n";
    EXPECT_EQ(identity(front), front);
}

TEST_F(SubtitleRewriteTest, TextWithoutTimeLinesComesBackWhole) {
    EXPECT_EQ(identity("abc\r\ndef\r\n"), "abc\r\ndef\r\n");
    EXPECT_EQ(identity("abc\r\ndef"), "abc\r\ndef");
    EXPECT_EQ(identity("abc"), "abc");
    EXPECT_EQ(retimeCustom("-- >", 1.0, 500), "-- >");
}

TEST_F(SubtitleRewriteTest, LastTimeLineWithoutLineEnd) {
    const auto s = scan("1\r\n00:00:01,000 --> 00:00:02,500");
    EXPECT_THAT(s.ends, ElementsAre(2500));
    EXPECT_THAT(s.tails, ElementsAre(""));
    EXPECT_EQ(identity("1\r\n00:00:01,000 --> 00:00:02,500"), "1\r\n00:00:01,000 --> 00:00:02,500");
}

TEST_F(SubtitleRewriteTest, OnlyTheTimesChange) {
    // Under the identity nothing changes, whatever form a time has.
    for (const char* line : {"00:00:01,000 --> 00:00:02,000 X1:100 X2:200", "0:0:1,5 --> 0:0:2,5",
                             "00:00:01,000-->00:00:02,000", "00:00:38.500  -->  00:00:41.628", "-00:00:01,500 --> 5"}) {
        const std::string input = std::string("1\r\n") + line + "\r\nA\r\n";
        EXPECT_EQ(identity(input), input);
    }
    // A changed time is written in the standard form with its own separator;
    // what stands behind the end time stays.
    EXPECT_EQ(retimeCustom("1\r\n00:00:01,000 --> 00:00:02,000  X1:100 X2:200\r\n", 1.0, 500),
              "1\r\n00:00:01,500 --> 00:00:02,500  X1:100 X2:200\r\n");
    EXPECT_EQ(retimeCustom("1\r\n0:0:1,5 --> 0:0:2,5\r\n", 1.0, 1000), "1\r\n00:00:02,005 --> 00:00:03,005\r\n");
    EXPECT_EQ(retimeCustom("1\r\n00:00:38.500-->00:00:41.628\r\n", 1.0, 1000), "1\r\n00:00:39.500-->00:00:42.628\r\n");
    // Only the time that moves is written anew; hours keep their digits.
    EXPECT_EQ(retimeCustom("1\r\n0:00:00,000 --> 123:00:00,000\r\n", 0.5, 0), "1\r\n0:00:00,000 --> 061:30:00,000\r\n");
}

TEST_F(SubtitleRewriteTest, WholeLineInFrontOfTheArrowIsTheStartText) {
    const auto s = scan("x\r\n1 00:00:01,000 --> 00:00:02,000\r\n");
    EXPECT_THAT(s.starts, ElementsAre(360001000));
    EXPECT_EQ(retimeCustom("x\r\n1 00:00:01,000 --> 00:00:02,000\r\n", 1.0, 1),
              "x\r\n100:00:01,001 --> 00:00:02,001\r\n");
}

TEST_F(SubtitleRewriteTest, DialogueHoldingAnArrowIsATimeLine) {
    const auto s = scan("1\r\n00:00:01,000 --> 00:00:02,000\r\nA --> B\r\n");
    ASSERT_EQ(s.starts.size(), 2u);
    EXPECT_EQ(retimeCustom("1\r\n00:00:01,000 --> 00:00:02,000\r\nA --> B\r\n", 1.0, 1),
              "1\r\n00:00:01,001 --> 00:00:02,001\r\n00:00:00,001 --> 00:00:00,001B\r\n");
}

TEST_F(SubtitleRewriteTest, FurtherArrowsOnATimeLineBelongToItsEndText) {
    const std::string input = "1\r\n00:00:01,000 --> 00:00:02,000 --> 00:00:03,000\r\nA\r\n";
    const auto s = scan(input);
    EXPECT_THAT(s.starts, ElementsAre(1000));
    EXPECT_THAT(s.ends, ElementsAre(2000));
    EXPECT_THAT(s.tails, ElementsAre(" --> 00:00:03,000\r\nA\r\n"));
    EXPECT_EQ(retimeCustom(input, 1.0, 1), "1\r\n00:00:01,001 --> 00:00:02,001 --> 00:00:03,000\r\nA\r\n");
}

TEST_F(SubtitleRewriteTest, LoneLineFeedsAreLineEndsAndStayAsTheyWere) {
    const std::string lf = generated(50, "\n");
    const auto s = scan(lf);
    EXPECT_EQ(s.header, "1\n");
    EXPECT_EQ(s.starts.size(), 50u);
    EXPECT_EQ(s.tails[0], "\nLine 0\n\xC4\xE3\xBA\xC3\n\n2\n");
    EXPECT_EQ(identity(lf), lf);
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
    EXPECT_EQ(identity("00:00:01,000 --> 00:00:02,000\rA\r"), "00:00:01,000 --> 00:00:02,000\rA\r");
}

// The SRT rule written out plainly over std::string: a time line is a line
// holding "-->" (its first ">" behind two "-"; a line end is CR LF, LF or a
// lone CR); the start time is the line in front of it (blanks and "-" right
// before it aside), the end time the run of digits, ":", ",", "." and blanks
// (and a sign) behind it; a time that changes is written "HH:MM:SS,mmm" with
// its own separator and hour digits, every other byte stays.
std::string modelRetime(const std::string& s, double ratio, int32_t shift) {
    engine::useCustomMapping(ratio, shift);
    const engine::SegmentFit fit = engine::storedSegmentFit(engine::FitMode::CustomRatio, 1);
    auto written = [&](const std::string& text) {
        const int32_t was = engine::parseTimeText(text.c_str());
        const int32_t now = engine::mapTime(was, fit);
        if (now == was) return text;
        std::string out = enginetest::format(now);
        const size_t colon = text.find(':');
        size_t digits = 0;
        for (size_t i = 0; i < std::min(colon, text.size()); ++i) digits += text[i] >= '0' && text[i] <= '9';
        const bool hours = std::count(text.begin(), text.end(), ':') >= 2;
        const size_t have = out.find(':') - (out[0] == '-');
        if (hours && digits > have) out.insert(out[0] == '-' ? 1 : 0, std::string(digits - have, '0'));
        if (text.find(',') == std::string::npos && text.find('.') != std::string::npos) out[out.find(',')] = '.';
        return out;
    };
    std::string out;
    size_t from = 0;
    while (from <= s.size()) {
        const size_t end = std::min(s.find_first_of("\r\n", from), s.size());
        const std::string line = s.substr(from, end - from);
        size_t arrow = std::string::npos;
        for (size_t i = 2; i < line.size() && arrow == std::string::npos; ++i) {
            if (line[i] == '>' && line[i - 1] == '-' && line[i - 2] == '-') arrow = i - 2;
        }
        if (arrow == std::string::npos) {
            out += line;
        } else {
            size_t b = 0, e = arrow;
            while (e > b && line[e - 1] == '-') --e;
            while (b < e && (line[b] == ' ' || line[b] == '\t')) ++b;
            while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
            size_t eb = arrow + 3;
            while (eb < line.size() && (line[eb] == ' ' || line[eb] == '\t')) ++eb;
            size_t ee = eb;
            if (ee < line.size() && (line[ee] == '-' || line[ee] == '+')) ++ee;
            while (ee < line.size() && std::string("0123456789:,. ").find(line[ee]) != std::string::npos && line[ee]) ++ee;
            while (ee > eb && line[ee - 1] == ' ') --ee;
            out += line.substr(0, b) + written(line.substr(b, e - b)) + line.substr(e, eb - e) +
                   written(line.substr(eb, ee - eb)) + line.substr(ee);
        }
        if (end == s.size()) break;
        const size_t next = s.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
        out += s.substr(end, next - end);
        from = next;
    }
    return out;
}

// Random subtitle-like texts built from pieces that matter to the scan.
std::string randomText(std::mt19937& rng, bool loneCrs) {
    static const char* const kPieces[] = {"\r\n", "\n", "-->", " --> ", "00:00:01,000", "1:2,5", "7", "x",
                                          "\xC4\xE3", " ", ",", ":", "-", ">", ".", "01:47.25", "\r"};
    const size_t kinds = sizeof kPieces / sizeof kPieces[0] - (loneCrs ? 0 : 1);
    std::string s;
    for (int k = std::uniform_int_distribution<int>(0, 40)(rng); k > 0; --k) {
        s += kPieces[std::uniform_int_distribution<size_t>(0, kinds - 1)(rng)];
    }
    return s;
}

TEST_F(SubtitleRewriteTest, EverySrtTextFollowsTheRule) {
    std::mt19937 rng(9);
    for (int i = 0; i < 3000; ++i) {
        const std::string input = randomText(rng, i % 2);
        const double ratio = i % 3 ? 1.5 : 1.0;
        const int32_t shift = i % 3 ? -700 : 0;
        ASSERT_EQ(retimeCustom(input, ratio, shift), modelRetime(input, ratio, shift)) << testing::PrintToString(input);
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
