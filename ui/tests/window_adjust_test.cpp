// The adjust button at work: the fitted modes with their result labels, the
// per-segment custom ratio and its anchor, the custom ratio mode with its
// signed shift, the source-order failure, an empty subtitle box, repeated
// presses, and subtitle bytes that pass through unchanged.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include <gtest/gtest.h>

#include "engine/tests/test_files.h"
#include "ui/tests/drive_session.h"
#include "ui/tests/gbk.h"
#include "ui/tests/window_texts.h"

namespace ui::e2e {
namespace {

using testfiles::utf16;

const char* const kSourceBoxes[5] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
const char* const kTargetBoxes[5] = {"掩码编辑框1", "掩码编辑框2", "掩码编辑框3", "掩码编辑框4", "掩码编辑框5"};
const char* const kResultLabels[4] = {"标签13", "标签14", "标签15", "标签16"};
constexpr const char* kOrderMessage = "源时间至少要比上级大1毫秒啦";

// Reference points in ms; a row left at -1 is not entered.
struct Points {
    int32_t source[5];
    int32_t target[5];
};

// Enters the points of the rows given, in the 4-segment mode so that every
// source row is enabled, then selects `mode`.
void enterPoints(DriveSession& s, const Points& p, const char* mode) {
    s.click("选择框3");
    for (int row = 0; row < 5; ++row) {
        if (p.source[row] >= 0) s.set(kSourceBoxes[row], timeText(p.source[row]));
        if (p.target[row] >= 0) s.set(kTargetBoxes[row], timeText(p.target[row]));
    }
    s.click(mode);
}

void showLabels(DriveSession& s, const std::string& step) {
    for (const char* l : kResultLabels) s.show(l, step + " " + l);
}

// The labels after a press: `shown[k]` is the expected result line of the
// label of row k+1, or null for a hidden label.
struct ExpectedResult {
    int number;
    double ratio;
    int64_t shift;
};
void expectLabels(const DriveOutcome& r, const std::string& step, const std::optional<ExpectedResult> (&shown)[4]) {
    SCOPED_TRACE(step);
    for (int k = 0; k < 4; ++k) {
        const Shown& label = r.shown(step + " " + kResultLabels[k]);
        if (!shown[k]) {
            EXPECT_EQ(label.visible, 0) << label.line;
            continue;
        }
        EXPECT_EQ(label.visible, 1) << label.line;
        auto line = parseResultLine(label.text);
        ASSERT_TRUE(line) << "not a result line: " << label.line;
        EXPECT_EQ(line->number, shown[k]->number) << label.line;
        EXPECT_NEAR(line->ratio, shown[k]->ratio, 1e-12 * std::max(1.0, std::abs(shown[k]->ratio))) << label.line;
        EXPECT_EQ(line->shift, shown[k]->shift) << label.line;
    }
}

// The start and end times of the output saved at `path`, as pairs.
std::vector<std::pair<int64_t, int64_t>> outputTimes(const std::string& path) {
    std::string error;
    auto lines = timeLines(readBytes(path), error);
    EXPECT_TRUE(lines) << error;
    std::vector<std::pair<int64_t, int64_t>> out;
    if (lines) {
        for (const TimeLine& t : *lines) out.emplace_back(t.start, t.end);
    }
    return out;
}

using Times = std::vector<std::pair<int64_t, int64_t>>;

class WindowAdjust : public ::testing::Test, protected MadeFiles {
protected:
    // A subtitle with a cue starting at each of `starts`, ending 500 ms later
    // unless given.
    std::string cues(const std::string& name, const std::vector<std::pair<int32_t, int32_t>>& times) {
        std::vector<Cue> list;
        for (auto [start, end] : times) list.push_back({start, end, "line " + std::to_string(list.size() + 1)});
        return file(name, subtitleText(list));
    }
};

TEST_F(WindowAdjust, OneSegmentFitsRows0And4AndReportsUnderRow4) {
    const std::string srt = cues("one.srt", {{0, 500}, {500, 1000}, {1000, 2500}, {2500, 4000}, {4000, 4001}, {4001, 4001}});
    const std::string out = path("one.out");
    DriveSession s;
    s.drop(srt);
    // Rows 1 to 3 hold times that would break the source order: one segment
    // never reads them.
    enterPoints(s, {{1000, 999000, 0, 500, 4000}, {0, 5000, 5000, 5000, 1000}}, "选择框1");
    s.click("按钮1").save("编辑框7", out).messages("messages");
    showLabels(s, "one");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_TRUE(r.messages("messages").empty());
    // v = 1000 / 3000, c = round(0 - 1000 v) = -333; the mapped times are
    // truncated toward zero.
    EXPECT_EQ(outputTimes(out), (Times{{-333, -166}, {-166, 0}, {0, 500}, {500, 1000}, {1000, 1000}, {1000, 1000}}));
    expectLabels(r, "one", {std::nullopt, std::nullopt, std::nullopt, ExpectedResult{1, 1000.0 / 3000.0, -333}});
}

TEST_F(WindowAdjust, TwoSegmentsWithTheCustomRatioOnSegment2AnchorByTheAlignment) {
    // S 0, 60000, 120000; T 1000, 61000, 125000; 选择框8 checked, r = 1.0:
    // segment 1 fits v = 1, c = 1000; segment 2 takes v = 1 with c = 1000
    // anchored at its start (row 2) or 5000 at its end (row 4).
    const std::string srt = cues("two.srt", {{30000, 31000}, {59999, 60500}, {60000, 61000}, {90000, 91000}, {130000, 131000}});
    const std::string start = path("two-start.out"), end = path("two-end.out");
    DriveSession s;
    s.drop(srt);
    enterPoints(s, {{0, 999000, 60000, 0, 120000}, {1000, 7000, 61000, 7000, 125000}}, "选择框2");
    s.click("选择框8");
    s.click("按钮1").save("编辑框7", start);
    showLabels(s, "start");
    s.click("选择框9").click("按钮1").save("编辑框7", end);
    showLabels(s, "end");
    s.messages("messages").act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_TRUE(r.messages("messages").empty());
    // A cue 1 ms before the boundary S2 is mapped entirely with segment 1,
    // one starting on it with segment 2.
    EXPECT_EQ(outputTimes(start),
              (Times{{31000, 32000}, {60999, 61500}, {61000, 62000}, {91000, 92000}, {131000, 132000}}));
    EXPECT_EQ(outputTimes(end), (Times{{31000, 32000}, {60999, 61500}, {65000, 66000}, {95000, 96000}, {135000, 136000}}));
    expectLabels(r, "start", {std::nullopt, ExpectedResult{1, 1.0, 1000}, std::nullopt, ExpectedResult{2, 1.0, 1000}});
    expectLabels(r, "end", {std::nullopt, ExpectedResult{1, 1.0, 1000}, std::nullopt, ExpectedResult{2, 1.0, 5000}});
}

TEST_F(WindowAdjust, TwoSegmentsWithBox6CheckedUseRatio1OnSegment1) {
    // S 10000, 60000, 120000; T 11000, 71000, 146000. Segment 1 would fit
    // 1.2 but takes the custom 1.0, shifted 1000 (start) or 11000 (end);
    // segment 2 fits v = 1.25, c = -4000 under either alignment.
    const std::string srt = cues("box6.srt", {{5000, 6000}, {30000, 31000}, {59999, 60500}, {60000, 61000}, {90001, 90003},
                                              {130000, 131000}});
    const std::string start = path("box6-start.out"), end = path("box6-end.out");
    DriveSession s;
    s.drop(srt);
    enterPoints(s, {{10000, -1, 60000, -1, 120000}, {11000, -1, 71000, -1, 146000}}, "选择框2");
    s.click("选择框6").show("编辑框8", "ratio box");
    s.click("按钮1").save("编辑框7", start);
    showLabels(s, "start");
    s.click("选择框10").click("按钮1").save("编辑框7", end);
    showLabels(s, "end");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("ratio box").text, "1.00000000");
    // Before S0 and after S4 nothing is clamped.
    EXPECT_EQ(outputTimes(start), (Times{{6000, 7000},
                                         {31000, 32000},
                                         {60999, 61500},
                                         {71000, 72250},
                                         {108501, 108503},
                                         {158500, 159750}}));
    EXPECT_EQ(outputTimes(end), (Times{{16000, 17000},
                                       {41000, 42000},
                                       {70999, 71500},
                                       {71000, 72250},
                                       {108501, 108503},
                                       {158500, 159750}}));
    // Only the labels of rows 2/4 and 4/4, where the two segments end.
    expectLabels(r, "start", {std::nullopt, ExpectedResult{1, 1.0, 1000}, std::nullopt, ExpectedResult{2, 1.25, -4000}});
    expectLabels(r, "end", {std::nullopt, ExpectedResult{1, 1.0, 11000}, std::nullopt, ExpectedResult{2, 1.25, -4000}});
}

TEST_F(WindowAdjust, FourSegmentsAcceptFlatAndFallingTargetsAndFillAllFourLabels) {
    // Ratios 2, 0.5, 0 (equal targets) and -1 (falling targets).
    const std::string srt = cues("four.srt", {{5000, 6000},
                                              {10000, 11000},
                                              {15000, 16000},
                                              {20000, 21000},
                                              {29999, 30001},
                                              {30000, 31000},
                                              {35000, 36000},
                                              {60000, 61000}});
    const std::string out = path("four.out");
    DriveSession s;
    s.drop(srt);
    enterPoints(s, {{0, 10000, 20000, 30000, 40000}, {0, 20000, 25000, 25000, 15000}}, "选择框3");
    s.click("按钮1").save("编辑框7", out).messages("messages");
    showLabels(s, "four");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_TRUE(r.messages("messages").empty());
    EXPECT_EQ(outputTimes(out), (Times{{10000, 12000},
                                       {20000, 20500},
                                       {22500, 23000},
                                       {25000, 25000},
                                       {25000, 25000},
                                       {25000, 24000},
                                       {20000, 19000},
                                       {-5000, -6000}}));
    expectLabels(r, "four", {ExpectedResult{1, 2.0, 0}, ExpectedResult{2, 0.5, 15000}, ExpectedResult{3, 0.0, 25000},
                             ExpectedResult{4, -1.0, 55000}});
}

TEST_F(WindowAdjust, ASourcePointNotAfterTheOneBelowShowsOneMessageAndLeavesNothing) {
    const std::string text = subtitleText({{1000, 2000, "a"}, {3000, 4000, "b"}});
    const std::string srt = file("order.srt", text);
    const std::string box = path("order-box.srt");
    DriveSession s;
    s.drop(srt);
    // A good press first, so that there is output and labels to lose.
    enterPoints(s, {{10000, -1, 20000, -1, 30000}, {10000, -1, 20000, -1, 30000}}, "选择框2");
    s.click("按钮1").messages("good").show("编辑框7", "good output");
    showLabels(s, "good");
    // S2 = S0 in two segments.
    s.set("编辑框4", "00:00:10,000").click("按钮1").messages("two").show("编辑框7", "two output");
    showLabels(s, "two");
    // One millisecond later is enough.
    s.set("编辑框4", "00:00:10,001").click("按钮1").messages("two 1 ms").show("编辑框7", "two 1 ms output");
    // Four segments with S2 = S1 and S3 below both: one message, the first
    // failing pair ends the check.
    s.click("选择框3").set("编辑框3", "00:00:15,000").set("编辑框4", "00:00:15,000").set("编辑框5", "00:00:01,000");
    s.click("按钮1").messages("four").show("编辑框7", "four output");
    showLabels(s, "four");
    // One segment with S4 = S0, then S4 = S0 + 1.
    s.click("选择框1").set("编辑框6", "00:00:10,000").click("按钮1").messages("one").show("编辑框7", "one output");
    showLabels(s, "one");
    s.set("编辑框6", "00:00:10,001").click("按钮1").messages("one 1 ms");
    // The subtitle box is never written, also not by a failed press.
    s.save("编辑框1", box).act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();

    EXPECT_TRUE(r.messages("good").empty());
    EXPECT_NE(r.shown("good output").text, "");
    for (const std::string step : {"two", "four", "one"}) {
        SCOPED_TRACE(step);
        EXPECT_EQ(r.messages(step), std::vector<std::string>{kOrderMessage});
        EXPECT_EQ(r.shown(step + " output").text, "");
        expectLabels(r, step, {std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    }
    EXPECT_TRUE(r.messages("two 1 ms").empty());
    EXPECT_NE(r.shown("two 1 ms output").text, "");
    EXPECT_TRUE(r.messages("one 1 ms").empty());
    EXPECT_EQ(readBytes(box), text);
}

TEST_F(WindowAdjust, TheCustomRatioModeAppliesTheSignedShiftAndShowsNoLabel) {
    const std::string srt = cues("custom.srt", {{0, 1}, {3, 5000}, {7200000, 7200001}});
    std::vector<std::string> outs;
    for (int i = 0; i < 6; ++i) outs.push_back(path("custom" + std::to_string(i) + ".out"));
    DriveSession s;
    s.drop(srt);
    // A fitted press first leaves labels 2/4 and 4/4 shown; the source
    // points are then put out of order, which the custom mode never reads.
    enterPoints(s, {{0, -1, 60000, -1, 120000}, {0, -1, 60000, -1, 120000}}, "选择框2");
    s.click("按钮1");
    showLabels(s, "fitted");
    s.set("编辑框4", "00:00:00,000").click("选择框4");
    // Untouched shift: "+" then blanks reads as 0.
    s.show("掩码编辑框6", "untouched shift").click("按钮1").save("编辑框7", outs[0]);
    showLabels(s, "custom");
    s.type("掩码编辑框6", "+00:10:00,000").show("掩码编辑框6", "plus shift").click("按钮1").save("编辑框7", outs[1]);
    // A text set into the shift box fills its positions one character each,
    // the literal blank after the sign position included.
    s.set("掩码编辑框6", "- 01:30:00,000").show("掩码编辑框6", "minus shift").click("按钮1").save("编辑框7", outs[2]);
    // Ratio 0.5 and -1 ms: the mapped times are truncated toward zero.
    s.set("编辑框8", "0.5").set("掩码编辑框6", "- 00:00:00,001").click("按钮1").save("编辑框7", outs[3]);
    // The sign toggle makes it +1 ms.
    s.act("spin 调节器1").show("掩码编辑框6", "toggled shift").click("按钮1").save("编辑框7", outs[4]);
    // A time typed from the sign position of an emptied box, as into any
    // other time box: its digits go to the digit positions, the blank sign
    // reads as "+".
    s.set("编辑框8", "1").set("掩码编辑框6", "").type("掩码编辑框6", "02:00:00,000");
    s.show("掩码编辑框6", "digit shift").click("按钮1");
    s.save("编辑框7", outs[5]).messages("messages");
    showLabels(s, "last");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();

    expectLabels(r, "fitted", {std::nullopt, ExpectedResult{1, 1.0, 0}, std::nullopt, ExpectedResult{2, 1.0, 0}});
    EXPECT_EQ(r.shown("untouched shift").text, "+   :  :  ,   ");
    EXPECT_EQ(r.shown("plus shift").text, "+ 00:10:00,000");
    EXPECT_EQ(r.shown("minus shift").text, "- 01:30:00,000");
    EXPECT_EQ(r.shown("toggled shift").text, "+ 00:00:00,001");
    EXPECT_EQ(r.shown("digit shift").text, "  02:00:00,000");
    EXPECT_TRUE(r.messages("messages").empty());
    expectLabels(r, "custom", {std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    expectLabels(r, "last", {std::nullopt, std::nullopt, std::nullopt, std::nullopt});

    EXPECT_EQ(outputTimes(outs[0]), (Times{{0, 1}, {3, 5000}, {7200000, 7200001}}));
    EXPECT_EQ(outputTimes(outs[1]), (Times{{600000, 600001}, {600003, 605000}, {7800000, 7800001}}));
    EXPECT_EQ(outputTimes(outs[2]), (Times{{-5400000, -5399999}, {-5399997, -5395000}, {1800000, 1800001}}));
    EXPECT_EQ(outputTimes(outs[3]), (Times{{-1, 0}, {0, 2499}, {3599999, 3599999}}));
    EXPECT_EQ(outputTimes(outs[4]), (Times{{1, 1}, {2, 2501}, {3600001, 3600001}}));
    EXPECT_EQ(outputTimes(outs[5]), (Times{{7200000, 7200001}, {7200003, 7205000}, {14400000, 14400001}}));
}

TEST_F(WindowAdjust, ACustomRatioThatIsNoNumberFrom0_1To10IsRefusedAndTheOutputStays) {
    const std::string srt = cues("ratio.srt", {{1000, 2000}});
    const std::string comma = path("comma.out"), unchecked = path("unchecked.out");
    DriveSession s;
    s.drop(srt).click("选择框4").set("编辑框8", "1,5").click("按钮1").save("编辑框7", comma);
    for (const char* bad : {"abc", "0", "1e300", "nan", ""}) {
        s.set("编辑框8", bad).click("按钮1").messages(std::string("custom ") + bad).show("编辑框7", std::string("kept ") + bad);
    }
    // The segment modes read the box only where a segment's ratio box is ticked.
    s.click("选择框2").set("编辑框4", "00:00:05,000").set("掩码编辑框3", "00:00:05,000");
    s.set("编辑框6", "00:00:10,000").set("掩码编辑框5", "00:00:10,000");
    s.click("按钮1").messages("unticked").save("编辑框7", unchecked);
    s.click("选择框8").click("按钮1").messages("ticked").act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(outputTimes(comma), (Times{{1500, 3000}}));  // "," is the decimal point
    for (const char* bad : {"abc", "0", "1e300", "nan", ""}) {
        EXPECT_EQ(r.messages(std::string("custom ") + bad), std::vector<std::string>{"自定比率要填0.1到10之间的数啦"}) << bad;
        EXPECT_EQ(r.shown(std::string("kept ") + bad).text, readBytes(comma)) << bad;
    }
    EXPECT_TRUE(r.messages("unticked").empty());
    EXPECT_EQ(outputTimes(unchecked), (Times{{1000, 2000}}));
    EXPECT_EQ(r.messages("ticked"), std::vector<std::string>{"自定比率要填0.1到10之间的数啦"});
}

TEST_F(WindowAdjust, ADotBeforeTheMillisecondsIsADecimalFractionInBoxesAndTimeLines) {
    // Source 1.5 s and 3.5 s, target 2 s and 5 s: v = 1.5, c = -250.
    const std::string srt = file("dotted.srt", "1\r\n00:00:01.5 --> 00:00:02.25\r\nA\r\n");
    const std::string out = path("dotted.out");
    DriveSession s;
    s.drop(srt);
    s.click("选择框1").set("编辑框2", "1.5").set("编辑框6", "00:00:03.50");
    s.set("掩码编辑框1", "00:00:02,000").set("掩码编辑框5", "00:00:05,000");
    s.click("按钮1").save("编辑框7", out);
    showLabels(s, "dotted");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    expectLabels(r, "dotted", {std::nullopt, std::nullopt, std::nullopt, ExpectedResult{1, 1.5, -250}});
    EXPECT_EQ(outputTimes(out), (Times{{2000, 3125}}));
}

// A subtitle whose every byte but the times must come back unchanged: a
// header before the first time line, non-standard time lines, coordinates
// behind an end time, a lone LF, a tab, and dialogue in the given encoding.
struct Sample {
    std::string header;
    struct Line {
        std::string timeLine;  // as it stands in the input
        int32_t start, end;    // what it reads as
        std::string tail;      // from behind the end time on
    };
    std::vector<Line> lines;

    std::string input() const {
        std::string s = header;
        for (const Line& l : lines) s += l.timeLine + l.tail;
        return s;
    }
    // One segment with v = 1.25 and c = 2000: exact in doubles, truncated.
    std::string expected() const {
        std::string s = header;
        for (const Line& l : lines) {
            s += timeText(l.start * 5 / 4 + 2000) + " --> " + timeText(l.end * 5 / 4 + 2000) + l.tail;
        }
        return s;
    }
};

Sample sample(const std::string& title, const std::string& hello, const std::string& world) {
    return Sample{title + "\r\n\r\n1\r\n",
                  {{"00:00:01,000 --> 00:00:02,000", 1000, 2000, "\r\n" + hello + "\r\n\r\n2\r\n"},
                   {"0:0:5,5 --> 0:0:6,5", 5005, 6005, " X1:100 X2:200\r\n" + world + "\tend\nsame line\r\n\r\n3\r\n"},
                   {"00:01:00,001 --> 00:01:02,003", 60001, 62003, "\r\n" + hello + world + "\r\n"}}};
}

TEST_F(WindowAdjust, SubtitleBytesPassThroughUnchangedAndTwoPressesGiveTheSameOutput) {
    auto gbkTitle = ui::test::toGbk("字幕：示例");
    auto gbkHello = ui::test::toGbk("你好，世界！");
    auto gbkWorld = ui::test::toGbk("再见");
    ASSERT_TRUE(gbkTitle && gbkHello && gbkWorld);
    const struct {
        const char* name;
        Sample sample;
    } kSamples[] = {
        {"GBK", sample(*gbkTitle, *gbkHello, *gbkWorld)},
        {"UTF-8", sample("\xEF\xBB\xBF字幕：示例", "你好，世界！", "再见")},
    };
    for (const auto& k : kSamples) {
        SCOPED_TRACE(k.name);
        const std::string name = k.name;
        const std::string srt = file(name + ".srt", k.sample.input());
        const std::string first = path(name + "-1.out"), second = path(name + "-2.out"), box = path(name + "-box.srt");
        DriveSession s;
        s.drop(srt);
        enterPoints(s, {{0, -1, -1, -1, 100000}, {2000, -1, -1, -1, 127000}}, "选择框1");
        s.click("按钮1").save("编辑框7", first).click("按钮1").save("编辑框7", second).save("编辑框1", box);
        s.act("quit");
        const DriveOutcome r = s.run();
        ASSERT_EQ(r.status, 0) << r.transcript();
        EXPECT_EQ(readBytes(first), k.sample.expected());
        EXPECT_EQ(readBytes(second), readBytes(first));
        EXPECT_EQ(readBytes(box), k.sample.input());
    }
}

TEST_F(WindowAdjust, Utf16AndLoneCrSubtitlesShowAndRetimeEveryLine) {
    const std::u16string text = u"1\r\n00:00:01,000 --> 00:00:02,000\r\n你好\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n再见\r\n";
    const std::string asUtf8 = "1\r\n00:00:01,000 --> 00:00:02,000\r\n你好\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n再见\r\n";
    const std::string retimed = "1\r\n00:00:02,000 --> 00:00:03,000\r\n你好\r\n\r\n2\r\n00:00:04,000 --> 00:00:05,000\r\n再见\r\n";
    const std::string mac = "1\r00:00:01,000 --> 00:00:02,000\rA\r\r2\r00:00:03,000 --> 00:00:04,000\rB\r";
    const std::string macRetimed = "1\r00:00:02,000 --> 00:00:03,000\rA\r\r2\r00:00:04,000 --> 00:00:05,000\rB\r";
    const struct {
        std::string name, bytes, shows, gives;
    } kFiles[] = {{"le", utf16(text, false), asUtf8, retimed},
                  {"be", utf16(text, true), asUtf8, retimed},
                  {"mac", mac, mac, macRetimed}};
    DriveSession s;
    enterPoints(s, {{0, -1, -1, -1, 100000}, {1000, -1, -1, -1, 101000}}, "选择框1");
    for (const auto& f : kFiles) {
        s.drop(file(f.name + ".srt", f.bytes)).save("编辑框1", path(f.name + ".box"));
        s.click("按钮1").save("编辑框7", path(f.name + ".out"));
    }
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (const auto& f : kFiles) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(readBytes(tempPath(f.name + ".box")), f.shows);
        EXPECT_EQ(readBytes(tempPath(f.name + ".out")), f.gives);
    }
}

}  // namespace
}  // namespace ui::e2e
