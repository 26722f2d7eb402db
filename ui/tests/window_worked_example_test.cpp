// The worked example of the usage text, end to end: the new release runs
// 1.001 times as long, starts 2 s later and has 30 s of film added between
// two cues in the first half. Three reference points (start, middle, end) in
// the 2-segment mode show which ratio is right; that ratio as the custom
// ratio of segment 1, aligned once to the segment's start and once to its
// end, gives two outputs that each match the new release on one side of the
// insertion, and joined at the drift point match it everywhere.
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"
#include "ui/tests/window_texts.h"

namespace ui::e2e {
namespace {

constexpr int kCues = 200;
constexpr int32_t kInsertedAt = 1008000;  // old time of the added scene: between cue 66 and cue 67
constexpr int kFirstAfterInsertion = 67;
constexpr int32_t kInserted = 30000;
constexpr int kRow0Cue = 3, kRow2Cue = 100, kRow4Cue = 196;

int32_t oldStart(int i) { return 10000 + 15000 * i; }

// The new release's time of an old time (a whole number of seconds, so the
// 1.001 stretch is exact).
int32_t newTime(int32_t t) { return t + t / 1000 + 2000 + (t >= kInsertedAt ? kInserted : 0); }

std::vector<Cue> oldCues() {
    std::vector<Cue> cues;
    for (int i = 0; i < kCues; ++i) cues.push_back({oldStart(i), oldStart(i) + 2000, "dialogue " + std::to_string(i)});
    return cues;
}

// The three reference points entered as a user would: the old times pasted
// from the subtitle by double-click, the new ones typed.
void enterReferencePoints(DriveSession& s) {
    const std::pair<int, const char*> rows[] = {{kRow0Cue, "编辑框2"}, {kRow2Cue, "编辑框4"}, {kRow4Cue, "编辑框6"}};
    const char* targets[] = {"掩码编辑框1", "掩码编辑框3", "掩码编辑框5"};
    for (int k = 0; k < 3; ++k) {
        const int32_t t = oldStart(rows[k].first);
        s.act("clipboard " + timeText(t)).dblclick(rows[k].second);
        s.set(targets[k], timeText(newTime(t)));
    }
}

struct Output {
    std::string text;
    std::vector<TimeLine> times;
};

Output readOutput(const std::string& path) {
    Output run{readBytes(path), {}};
    std::string error;
    auto times = timeLines(run.text, error);
    EXPECT_TRUE(times) << error;
    if (times) run.times = *times;
    EXPECT_EQ(run.times.size(), size_t(kCues));
    return run;
}

// Off from the new release by `offset` ms (within the 1 ms a truncated
// product of a non-exact ratio may lose).
bool offBy(const TimeLine& got, int i, int32_t offset) {
    const int64_t start = newTime(oldStart(i)) + offset, end = newTime(oldStart(i) + 2000) + offset;
    return std::llabs(got.start - start) <= 1 && std::llabs(got.end - end) <= 1;
}

class WindowWorkedExample : public ::testing::Test {
protected:
    void SetUp() override {
        srt_ = tempPath("worked.srt");
        writeBytes(srt_, subtitleText(oldCues()));
    }
    void TearDown() override {
        for (const std::string& p : {srt_, fitted_, start_, end_}) std::remove(p.c_str());
    }
    std::string srt_, fitted_ = tempPath("fitted.out"), start_ = tempPath("start.out"), end_ = tempPath("end.out");
};

TEST_F(WindowWorkedExample, TheRightRatioOnSegment1AlignedBothWaysBridgesTheAddedScene) {
    const int32_t s0 = oldStart(kRow0Cue), s2 = oldStart(kRow2Cue);
    const double wrongRatio = double(newTime(s2) - newTime(s0)) / double(s2 - s0);

    // Step 2: two segments, one press, compare the ratios.
    DriveSession first;
    first.drop(srt_);
    enterReferencePoints(first);
    first.click("按钮1").save("编辑框7", fitted_).show("标签14", "segment 1").show("标签16", "segment 2").act("quit");
    const DriveOutcome fitted = first.run();
    ASSERT_EQ(fitted.status, 0) << fitted.transcript();
    auto seg1 = parseResultLine(fitted.shown("segment 1").text);
    auto seg2 = parseResultLine(fitted.shown("segment 2").text);
    ASSERT_TRUE(seg1 && seg2) << fitted.transcript();
    // Segment 2 has only the stretch: its ratio is the right one; segment 1
    // holds the added scene and its ratio is off by it.
    EXPECT_NEAR(seg2->ratio, 1.001, 1e-12);
    EXPECT_NEAR(seg1->ratio, wrongRatio, 1e-12);
    // T = (wrong ratio - right ratio) x the segment's length.
    EXPECT_NEAR((seg1->ratio - seg2->ratio) * double(s2 - s0), double(kInserted), 1.0);
    EXPECT_EQ(seg2->shift, std::llround(double(newTime(s2)) - double(s2) * seg2->ratio));
    const Output fittedRun = readOutput(fitted_);
    for (int i = kRow2Cue; i < kCues && i < int(fittedRun.times.size()); ++i) {
        EXPECT_TRUE(offBy(fittedRun.times[i], i, 0)) << "segment 2 cue " << i;
    }

    // Steps 3 to 5: that ratio as the custom ratio, the ratio box of segment 1
    // (row 2/4) checked, one press aligned to the segment start and one to its end.
    DriveSession second;
    second.drop(srt_);
    enterReferencePoints(second);
    second.set("编辑框8", seg2->ratioText).click("选择框6");
    second.click("按钮1").save("编辑框7", start_).show("标签14", "start 1").show("标签16", "start 2");
    second.click("选择框10").click("按钮1").save("编辑框7", end_).show("标签14", "end 1").show("标签16", "end 2");
    second.show("标签13", "label 1/4").show("标签15", "label 3/4").messages("messages").act("quit");
    const DriveOutcome bridged = second.run();
    ASSERT_EQ(bridged.status, 0) << bridged.transcript();
    EXPECT_TRUE(bridged.messages("messages").empty());
    EXPECT_EQ(bridged.shown("label 1/4").visible, 0);
    EXPECT_EQ(bridged.shown("label 3/4").visible, 0);

    // Segment 1 now runs at the right ratio, shifted to land on row 0 or on
    // row 2; segment 2 is fitted as before.
    const int64_t shiftAtStart = std::llround(double(newTime(s0)) - double(s0) * seg2->ratio);
    const int64_t shiftAtEnd = std::llround(double(newTime(s2)) - double(s2) * seg2->ratio);
    EXPECT_EQ(shiftAtEnd - shiftAtStart, kInserted);
    for (const char* step : {"start", "end"}) {
        SCOPED_TRACE(step);
        auto line1 = parseResultLine(bridged.shown(std::string(step) + " 1").text);
        auto line2 = parseResultLine(bridged.shown(std::string(step) + " 2").text);
        ASSERT_TRUE(line1 && line2) << bridged.transcript();
        EXPECT_EQ(line1->number, 1);
        EXPECT_EQ(line1->ratio, seg2->ratio);
        EXPECT_EQ(line1->shift, std::string(step) == "start" ? shiftAtStart : shiftAtEnd);
        EXPECT_EQ(line2->ratio, seg2->ratio);
        EXPECT_EQ(line2->shift, seg2->shift);
    }

    // Aligned to the start, the output fits up to the added scene and then
    // runs 30 s early until segment 2; aligned to the end, it runs 30 s late
    // before the scene and fits after it.
    const Output atStart = readOutput(start_), atEnd = readOutput(end_);
    ASSERT_EQ(atStart.times.size(), size_t(kCues));
    ASSERT_EQ(atEnd.times.size(), size_t(kCues));
    int driftInStart = -1, fitInEnd = -1;
    for (int i = 0; i < kCues; ++i) {
        const bool beforeScene = i < kFirstAfterInsertion, inSegment1 = i < kRow2Cue;
        EXPECT_TRUE(offBy(atStart.times[i], i, beforeScene || !inSegment1 ? 0 : -kInserted)) << "start-aligned cue " << i;
        EXPECT_TRUE(offBy(atEnd.times[i], i, beforeScene ? kInserted : 0)) << "end-aligned cue " << i;
        if (driftInStart < 0 && !offBy(atStart.times[i], i, 0)) driftInStart = i;
        if (fitInEnd < 0 && offBy(atEnd.times[i], i, 0)) fitInEnd = i;
    }
    // Both outputs show the drift point at the first cue after the scene.
    EXPECT_EQ(driftInStart, kFirstAfterInsertion);
    EXPECT_EQ(fitInEnd, kFirstAfterInsertion);

    // Step 6: the first output up to its drift point joined with the second
    // after it is the new release's subtitle.
    for (int i = 0; i < kCues; ++i) {
        const TimeLine& joined = i < kFirstAfterInsertion ? atStart.times[i] : atEnd.times[i];
        EXPECT_TRUE(offBy(joined, i, 0)) << "joined cue " << i;
    }
    // Everything but the time lines is the old subtitle's.
    const std::string old = subtitleText(oldCues());
    EXPECT_EQ(withoutTimeLines(atStart.text), withoutTimeLines(old));
    EXPECT_EQ(withoutTimeLines(atEnd.text), withoutTimeLines(old));
}

}  // namespace
}  // namespace ui::e2e
