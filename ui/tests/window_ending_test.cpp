// How the program ends: closing the window ends the process at once with
// exit status 0 from the terminating thread; ending the message loop after a
// busy session goes the runtime's own way and frees every block.
#include <cstdio>

#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"
#include "ui/tests/window_texts.h"

namespace ui::e2e {
namespace {

// A session that touches everything that allocates: drops, every mode's
// press, the failure message, the custom ratio mode, pastes, the
// calculator and the sign toggle.
DriveSession busySession(const std::string& srt) {
    DriveSession s;
    s.drop(srt);
    s.click("选择框3");
    const char* sources[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
    const char* targets[] = {"掩码编辑框1", "掩码编辑框2", "掩码编辑框3", "掩码编辑框4", "掩码编辑框5"};
    for (int row = 0; row < 5; ++row) {
        s.set(sources[row], timeText(row * 60000));
        s.set(targets[row], timeText(row * 61000 + 500));
    }
    s.click("按钮1").click("按钮1");
    s.click("选择框2").click("选择框6").click("按钮1");
    s.click("选择框1").click("选择框10").click("按钮1");
    s.set("编辑框6", "00:00:00,000").click("按钮1").messages("failure");
    s.click("选择框4").set("掩码编辑框6", "-00:00:01,000").act("spin 调节器1").click("按钮1");
    s.set("编辑框1", "").click("按钮1");
    s.drop(srt).click("选择框2").act("clipboard 00:01:00,000").dblclick("编辑框4").click("按钮1");
    s.act("clipboard 00:00:30,000").dblclick("掩码编辑框7").dblclick("掩码编辑框8").click("按钮3");
    s.set("掩码编辑框7", "00:01:00,000").act("key 掩码编辑框7 13");
    s.show("编辑框9", "calculator");
    return s;
}

class WindowEnding : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<Cue> cues;
        for (int i = 0; i < 50; ++i) cues.push_back({i * 5000, i * 5000 + 2000, "cue " + std::to_string(i)});
        srt_ = tempPath("ending.srt");
        writeBytes(srt_, subtitleText(cues));
    }
    void TearDown() override { std::remove(srt_.c_str()); }
    std::string srt_;
};

TEST_F(WindowEnding, AfterABusySessionTheRuntimesOwnEndFreesEveryBlock) {
    DriveSession s = busySession(srt_);
    s.act("quit");
    const DriveOutcome r = s.run({"VEXRUN_REPORT_BLOCKS=1"});
    ASSERT_EQ(r.status, 0) << r.transcript();
    // The session did run: one failure message and a computed calculator.
    EXPECT_EQ(r.messages("failure").size(), 1u);
    EXPECT_EQ(r.shown("calculator").text, "00:00:30,000");
    EXPECT_NE(r.err.find("vexrun: live blocks at exit: 0\n"), std::string::npos) << r.transcript();
}

TEST_F(WindowEnding, ClosingTheWindowEndsTheProcessAtOnceWithStatus0) {
    // The last line before close is a show: its arrival marks the close.
    DriveSession s = busySession(srt_);
    s.show("编辑框2", "before close").act("close").show("编辑框2", "after close");
    const DriveOutcome r = s.run({"VEXRUN_REPORT_BLOCKS=1"}, 30);
    ASSERT_FALSE(r.timedOut) << r.transcript();
    EXPECT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("before close").text, "00:00:00,000");
    // Nothing runs after the close line.
    EXPECT_EQ(r.shownByLabel.count("after close"), 0u) << r.transcript();
    // Ended by the terminating thread, well before the going-away handler's
    // own 10 s wait would end; the runtime's exit path (which reports the
    // blocks) never runs.
    EXPECT_LT(r.seconds - r.lastOutputSeconds, 5.0);
    EXPECT_EQ(r.err.find("live blocks"), std::string::npos) << r.transcript();
}

}  // namespace
}  // namespace ui::e2e
