// Bad input never crashes and never hangs, and still loses no line: NUL bytes,
// random binary, a huge text without a line end, a 1 MB line, hundreds of
// "-->" on one line, times beyond the 32-bit range.
#include <algorithm>
#include <random>
#include <string>

#include "engine/subtitle_rewrite.h"
#include "engine/tests/engine_test_support.h"
#include "engine/time_text.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"

namespace {

using namespace std::string_literals;
using enginetest::EngineTest;
using enginetest::format;
using enginetest::identity;
using enginetest::retimeCustom;
using enginetest::scan;

class RobustnessTest : public EngineTest {};

// Line ends: CR LF, LF, or a CR not followed by LF, each counted once.
size_t lineEnds(const std::string& s) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) count += s[i] == '\r' || (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'));
    return count;
}

// Lines (split at every line end) that hold a "-->": one cue each.
size_t timeLines(const std::string& s) {
    size_t count = 0, from = 0;
    for (;;) {
        const size_t end = s.find_first_of("\r\n", from);
        const std::string line = s.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (line.find("-->") != std::string::npos) ++count;
        if (end == std::string::npos) return count;
        from = end + 1;
    }
}

// The identity gives the input back, and a shift every line end of it.
// Every time line is one cue.
void expectLinesKept(const std::string& input) {
    const auto cues = scan(input).starts.size();
    EXPECT_EQ(cues, timeLines(input));
    EXPECT_EQ(identity(input), input);
    EXPECT_EQ(lineEnds(retimeCustom(input, 1.0, 1000)), lineEnds(input));
}

TEST_F(RobustnessTest, NulBytesEndTimeTextsButPassThroughTails) {
    const std::string input = "1\r\n00:00:01,000\0 9 --> 00:00:02\0,999\r\nA\0B\r\n"s;
    const auto s = scan(input);
    ASSERT_EQ(s.starts.size(), 1u);
    EXPECT_EQ(s.starts[0], 1000);
    EXPECT_EQ(s.ends[0], 2000);
    EXPECT_EQ(identity(input), input);
    // The whole line in front of the arrow is the start text, written anew
    // when it changes; the end time ends at the NUL.
    EXPECT_EQ(retimeCustom(input, 1.0, 1), "1\r\n00:00:01,001 --> 00:00:02,001\0,999\r\nA\0B\r\n"s);
    expectLinesKept("\0\0-->\0\n\0"s);
}

TEST_F(RobustnessTest, RandomBinaryKeepsEveryLine) {
    std::mt19937 random(7);
    const std::string alphabet = "-->-->\r\n\n\r::,, 0123456789\0\xFF\x80X"s;
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> length(0, 3000);
    for (int round = 0; round < 300; ++round) {
        std::string input(length(random), '\0');
        for (char& c : input) c = round % 3 == 0 ? static_cast<char>(byte(random)) : alphabet[pick(random)];
        expectLinesKept(input);
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round;
            break;
        }
    }
}

TEST_F(RobustnessTest, HugeTextWithoutLineEnd) {
    std::string input;
    input.reserve(50 * 1024 * 1024 + 16);
    while (input.size() < 50 * 1024 * 1024) input += "00:00:01,000 ";
    EXPECT_EQ(identity(input), input);

    // With one "-->" in the middle, the whole text in front of it is the start text.
    input.replace(input.size() / 2, 5, " --> ");
    const auto s = scan(input);
    ASSERT_EQ(s.starts.size(), 1u);
    EXPECT_EQ(s.starts[0], 1000);
    EXPECT_EQ(s.tails[0], " ");
    EXPECT_EQ(identity(input), input);
}

TEST_F(RobustnessTest, OneMegabyteLineOfBlanksColonsAndCommas) {
    std::string line;
    while (line.size() < 1024 * 1024) line += " 1 : 2 , 3 :: ,, ";
    const std::string input = "1\r\n" + line + "-->" + line + "\r\nA\r\n";
    expectLinesKept(input);
    const std::string out = identity(input);
    EXPECT_EQ(out.substr(out.size() - 5), "\r\nA\r\n");
}

TEST_F(RobustnessTest, HundredsOfArrowsOnOneLine) {
    std::string line = "00:00:01,000";
    for (int i = 0; i < 500; ++i) line += " --> 00:00:02,000";
    const std::string input = "1\r\n" + line + "\r\nA\r\n\r\n2\r\n" + line + "\r\n";
    const auto s = scan(input);
    EXPECT_EQ(s.starts.size(), 2u);
    std::string shifted = input;
    for (size_t at = 0; (at = shifted.find("00:00:01,000 --> 00:00:02,000", at)) != std::string::npos; at += 29) {
        shifted.replace(at, 29, "00:00:01,500 --> 00:00:02,500");
    }
    EXPECT_EQ(retimeCustom(input, 1.0, 500), shifted);

    std::string arrows(300 * 3, '-');
    for (size_t i = 0; i < arrows.size(); i += 3) arrows.replace(i, 3, "-->");
    expectLinesKept(arrows + "\n" + arrows + "\r\n" + arrows);
}

TEST_F(RobustnessTest, TimesBeyondTheThirtyTwoBitRange) {
    const std::string input =
        "1\r\n999:00:00,000 --> 99999999:99:99,99999999\r\n"
        "2\r\n-999:00:00,000 --> 596:31:23,648\r\n"
        "3\r\n596:31:23,647 --> 596:31:23,647\r\n";
    const auto s = scan(input);
    ASSERT_EQ(s.starts.size(), 3u);
    EXPECT_EQ(s.starts[0], -698567296);
    EXPECT_EQ(s.starts[1], 698567296);
    EXPECT_EQ(s.ends[1], INT32_MIN);
    EXPECT_EQ(identity(input), input);
    // Mapping past the range keeps the low 32 bits; every time is written,
    // with as many hour digits as it had.
    const std::string doubled = retimeCustom(input, 2.0, 0);
    EXPECT_NE(doubled.find("2\r\n" + format(1397134592) + " --> 000:00:00,000\r\n"), std::string::npos);
    EXPECT_NE(doubled.find("3\r\n-000:00:00,002 --> -000:00:00,002\r\n"), std::string::npos);
    EXPECT_EQ(lineEnds(doubled), lineEnds(input));
}

TEST_F(RobustnessTest, TooLargeForThirtyTwoBitPositionsIsRefusedNotOverrun) {
    // Headers that claim more bytes than positions can count; no byte past
    // the real ones may be touched.
    prog::ProgramVariables* v = prog::vars();
    prog::ByteSet huge = enginetest::newBytes("00:00:01,000 --> 00:00:02,000");
    huge->count = 0x7FFFFFFF;
    v->inputBytes = huge;
    EXPECT_EQ(engine::scanCues(), engine::ScanResult::TooLarge);
    EXPECT_EQ(prog::elementCount(v->startList), 0);
    huge->count = 29;

    scan("1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n");
    v->inputBytes->count = 0x7FFFFFFF;
    engine::useCustomMapping(1.0, 0);
    EXPECT_FALSE(engine::rebuildSubtitle(engine::FitMode::CustomRatio));
    EXPECT_EQ(enginetest::bytesOfSet(v->outputBytes), "1\r\n") << "the output stays the header part";
    v->inputBytes->count = 34;
}

}  // namespace
