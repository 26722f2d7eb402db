// tessaly-retime --reference end to end: the output keeps every byte but the
// times, the `window:` line gives the same output byte for byte through the
// ordinary mode, too little in common writes nothing, --fps is exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "align/tests/generated_pairs.h"
#include "engine/tests/test_files.h"
#include "retime/tests/tool_run.h"

namespace {

using testfiles::readFile;
using testfiles::writeFile;

namespace fs = std::filesystem;
using namespace aligntest;

// The lines of a text that hold no "-->".
std::vector<std::string> otherLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.find("-->") == std::string::npos) lines.push_back(line);
    }
    return lines;
}

// The words of the `window:` line after its tag, "" when there is none.
std::vector<std::string> windowArguments(const std::string& report) {
    const std::size_t at = report.find("window: --");
    if (at == std::string::npos) return {};
    std::istringstream in(report.substr(at + 8, report.find('\n', at) - at - 8));
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

struct ToolRun {
    int status;
    std::string err;
};

class ReferenceToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = retimetest::makeTestFolder("reference-test");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun run(const std::vector<std::string>& args) {
        const retimetest::ToolRun r = retimetest::runTool(dir_, args);
        return ToolRun{r.status, r.err};
    }

    fs::path dir_;
};

struct Reproduced {
    std::string name;
    std::string input;      // INPUT's text
    std::string reference;  // REF's text
    std::string expect;     // in the report
};

std::vector<Reproduced> reproducedCases() {
    std::vector<Reproduced> all;
    // The worked case of the README: a Chinese subtitle (GBK, CR LF) of a
    // 25 fps release without an extended scene, against the English one.
    all.push_back({"sintel", readFile(TESSALY_ALIGN_DATA "/sintel-zh-old.srt"),
                   readFile(TESSALY_ALIGN_DATA "/sintel-en.srt"), "piece 2 from 00:02:43,756: shift +00:00:36,500"});
    // A release's SRT against its own WebVTT ("." before the milliseconds,
    // a fraction of a second): already fits, not one byte changes.
    const std::string lalaland = readFile(TESSALY_REAL_SUBTITLES "/lalaland-en.srt");
    if (!lalaland.empty()) {
        all.push_back({"La La Land, SRT against WebVTT", lalaland, readFile(TESSALY_REAL_SUBTITLES "/lalaland-en.vtt"),
                       "INPUT already fits REF: kept as it is"});
    }
    const std::vector<Case> generated = {
        {"one piece, below zero", 1.0, -40000, {}},
        {"three pieces", 24.0 / 25.0, 1200, {{100, 30000}, {220, -20000}}},
        {"five pieces", 1.0, 800, {{50, 20000}, {110, 25000}, {170, -20000}, {230, 30000}}},
    };
    const char* expects[] = {"times fall below zero", "--segments 4", "window: cannot express 5 pieces"};
    for (std::size_t i = 0; i < generated.size(); ++i) {
        const Pair pair = makePair(generated[i], 40 + static_cast<unsigned>(i), 300);
        // A header line and text in another 8-bit encoding pass unchanged.
        all.push_back({generated[i].name, "\xef\xbb\xbfWEBVTT-like header\r\n\r\n" + srtText(pair.input, "\xc4\xe3\xba\xc3"),
                       srtText(pair.reference, "line"), expects[i]});
    }
    return all;
}

TEST_F(ReferenceToolTest, TheWindowLineGivesTheSameOutputThroughTheOrdinaryMode) {
    for (const Reproduced& c : reproducedCases()) {
        SCOPED_TRACE(c.name);
        writeFile(dir_ / "in.srt", c.input);
        writeFile(dir_ / "ref.srt", c.reference);
        const ToolRun aligned = run({"--reference", "ref.srt", "in.srt", "out.srt"});
        ASSERT_EQ(aligned.status, 0) << aligned.err;
        EXPECT_NE(aligned.err.find(c.expect), std::string::npos) << aligned.err;
        EXPECT_NE(aligned.err.find("found a partner in REF"), std::string::npos) << aligned.err;
        const std::string output = readFile(dir_ / "out.srt");
        EXPECT_EQ(otherLines(output), otherLines(c.input));
        if (c.expect.find("kept as it is") != std::string::npos) {
            EXPECT_EQ(output, c.input);
        }

        std::vector<std::string> ordinary = windowArguments(aligned.err);
        if (ordinary.empty()) continue;
        ordinary.insert(ordinary.end(), {"in.srt", "window.srt"});
        const ToolRun window = run(ordinary);
        ASSERT_EQ(window.status, 0) << window.err;
        EXPECT_EQ(readFile(dir_ / "window.srt"), output);
    }
}

TEST_F(ReferenceToolTest, TooLittleInCommonWritesNothing) {
    const Pair pair = makePair(Case{"unrelated", 1.0, 0, {}, true}, 7, 300);
    writeFile(dir_ / "in.srt", srtText(pair.input, "a"));
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    const ToolRun r = run({"--reference", "ref.srt", "in.srt", "out.srt"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("too little in common"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.srt"));
}

TEST_F(ReferenceToolTest, AMappedTimeBeyondThirtyTwoBitsWritesNothing) {
    // 590 h holds in 32 bits; 25/24 of it does not, and must not wrap.
    const Pair pair = makePair(Case{"25 -> 24", 25.0 / 24.0, 0, {}}, 11, 300);
    writeFile(dir_ / "in.srt", srtText(pair.input, "a") + "\r\n999\r\n590:00:00,000 --> 590:00:02,000\r\nlate\r\n");
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    const ToolRun r = run({"--reference", "ref.srt", "in.srt", "out.srt"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "tessaly-retime: INPUT cue 301: 590:00:00,000 --> 590:00:02,000 maps beyond what a time can "
                     "hold (596:31:23,647 either side of zero); nothing written\n");
    EXPECT_FALSE(fs::exists(dir_ / "out.srt"));
}

TEST_F(ReferenceToolTest, AnUnsureAlignmentIsWrittenOnlyWhenAccepted) {
    // REF covering the first quarter of the film: the rest has no evidence.
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 300);
    std::vector<Cue> quarter;
    for (const Cue& c : pair.reference) {
        if (c.start < pair.input.back().end / 4) quarter.push_back(c);
    }
    writeFile(dir_ / "in.srt", srtText(pair.input, "a"));
    writeFile(dir_ / "ref.srt", srtText(quarter, "b"));
    const ToolRun refused = run({"--reference", "ref.srt", "in.srt", "out.srt"});
    EXPECT_EQ(refused.status, 5) << refused.err;
    EXPECT_NE(refused.err.find("unsure: REF's cue edges confirm only"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.srt"));
    const ToolRun accepted = run({"--reference", "ref.srt", "--accept-unsure", "in.srt", "out.srt"});
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_NE(accepted.err.find("written as asked"), std::string::npos) << accepted.err;
    EXPECT_TRUE(fs::exists(dir_ / "out.srt"));
}

TEST_F(ReferenceToolTest, KeptOnlyWhenNotOneByteChangesAndTheOrdinaryWarningsHold) {
    const Pair pair = makePair(Case{"in sync", 1.0, 0, {}}, 9, 300);
    const std::string text = srtText(pair.input, "a");
    writeFile(dir_ / "in.srt", text);
    writeFile(dir_ / "ref.srt", text);
    ToolRun r = run({"--reference", "ref.srt", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("INPUT already fits REF: kept as it is"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir_ / "out.srt"), text);

    // One time written without the hour's leading zero, and one with a fourth
    // digit the ordinary mode warns about: an unchanged time keeps its text, so
    // the bytes stay and the warning is given.
    std::string odd = text;
    odd.replace(odd.find("00:00:"), 6, "0:00:");
    odd.insert(odd.find(" --> ", odd.find(" --> ") + 5) + 17, "7");
    writeFile(dir_ / "in.srt", odd);
    r = run({"--reference", "ref.srt", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("INPUT already fits REF: kept as it is"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir_ / "out.srt"), odd);
    EXPECT_NE(r.err.find("warning: line 6:"), std::string::npos) << r.err;
}

TEST_F(ReferenceToolTest, UsageAndFiles) {
    writeFile(dir_ / "in.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n");
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"--reference", "in.srt", "--splits", "17", "in.srt"}, 2},
        {{"--splits", "2", "in.srt"}, 2},
        {{"--accept-unsure", "in.srt"}, 2},
        {{"--reference", "in.srt", "--segments", "1", "in.srt"}, 2},
        {{"--fps", "25:23.976", "--point", "0=1@1", "in.srt"}, 2},
        {{"--fps", "25/23.976", "in.srt"}, 2},
        {{"--shift", "+00:00:01,000", "in.srt"}, 2},
        {{"--reference", "-", "-"}, 2},
        {{"--reference", "missing.srt", "in.srt"}, 3},
        {{"--reference", "in.srt", "missing.srt"}, 3},
    };
    for (const auto& [args, status] : cases) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.err.rfind("tessaly-retime: ", 0), 0u) << r.err;
    }
}

TEST_F(ReferenceToolTest, FpsUsesTheExactNtscRatio) {
    // 25 -> 23.976 is 25025/24000 exactly; a typed 1.04271 would be 468 ms off
    // at 78 hours.
    writeFile(dir_ / "in.srt", "1\r\n01:00:00,000 --> 78:00:00,000\r\nx\r\n");
    const ToolRun r = run({"--fps", "25:23.976", "--shift", "+00:00:01,000", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "out.srt"), "1\r\n01:02:34,750 --> 81:19:53,500\r\nx\r\n");
}

}  // namespace
