// The window's automatic sync through the real image and kernel library: a
// film dropped on the subtitle box, or the new release's subtitle dropped on
// the output box, fills the reference rows, the mode, the custom ratio and
// the segment ratio boxes as `tessaly-retime --reference REF --splits 3`'s
// `window:` line says, and the adjusted output is the tool's output; a cancel
// leaves every box as it was; a film of other dialogue or one that cannot be
// read fills nothing. The
// same on Windows, with tessaly-drive.exe and tessaly-retime.exe under Wine.
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "retime/tests/tool_run.h"
#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kFilms = TESSALY_FILM_DIR;
const std::string kData = TESSALY_ALIGN_DATA;

// Every box the sync may fill, and the output box.
const std::vector<std::string> kBoxes = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6", "掩码编辑框1",
                                         "掩码编辑框2", "掩码编辑框3", "掩码编辑框4", "掩码编辑框5", "编辑框8",
                                         "选择框1", "选择框2", "选择框3", "选择框4", "选择框5", "选择框6",
                                         "选择框7", "选择框8", "选择框9", "选择框10", "编辑框7"};

struct ToolRun {
    std::string output;      // what it wrote
    std::string windowLine;  // its `window:` line
    std::string partners;    // N of "N of M INPUT cues found a partner" when it refused
};

ToolRun runTool(const std::string& reference, const std::string& input, int status = 0) {
    const fs::path dir = retimetest::makeTestFolder("window-sync");
    const retimetest::ToolRun ran =
        retimetest::runTool(dir, {"--reference", reference, "--splits", "3", input, "tool.srt"});
    EXPECT_EQ(ran.status, status) << ran.err;
    ToolRun run{readBytes((dir / "tool.srt").string()), {}, {}};
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    std::istringstream lines(ran.err);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("window: ", 0) == 0) run.windowLine = line;
        const size_t found = line.find(" INPUT cues found a partner");
        if (found != std::string::npos) {
            const size_t of = line.rfind(" of ", found);
            run.partners = line.substr(line.rfind(' ', of - 1) + 1, of - line.rfind(' ', of - 1) - 1);
        }
    }
    return run;
}

// The `window:` line the boxes say: the mode, the custom ratio, the ticked
// ratio boxes and every filled row, in the line's own words.
std::string windowLineOf(const DriveOutcome& r, const std::string& prefix) {
    const char* modes[] = {"选择框1", "选择框2", "选择框3"};
    const char* segments[] = {"1", "2", "4"};
    std::string line = "window:";
    for (int m = 0; m < 3; ++m) {
        if (r.shown(prefix + modes[m]).checked == 1) line += std::string(" --segments ") + segments[m];
    }
    line += " --ratio " + r.shown(prefix + "编辑框8").text;
    const char* ticks[] = {"选择框5", "选择框6", "选择框7", "选择框8"};
    for (int row = 1; row <= 4; ++row) {
        if (r.shown(prefix + ticks[row - 1]).checked == 1) line += " --use-ratio " + std::to_string(row);
    }
    const char* sources[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
    const char* targets[] = {"掩码编辑框1", "掩码编辑框2", "掩码编辑框3", "掩码编辑框4", "掩码编辑框5"};
    for (int row = 0; row < 5; ++row) {
        const std::string source = r.shown(prefix + sources[row]).text;
        if (source.empty()) continue;
        line += " --point " + std::to_string(row) + "=" + source + "@" + r.shown(prefix + targets[row]).text;
    }
    if (r.shown(prefix + "选择框9").checked == 1) line += " --align start";
    return line;
}

DriveSession& showAll(DriveSession& s, const std::string& prefix) {
    for (const std::string& box : kBoxes) s.show(box, prefix + box);
    return s;
}

class WindowSync : public ::testing::Test, protected MadeFiles {};

TEST_F(WindowSync, AFilmDroppedOnTheSubtitleFillsTheRowsAndAdjustsAsTheToolDoes) {
    const std::string input = kFilms + "/you-en-old-release.srt", film = kFilms + "/you-en-10db-mkv-aac+video.mkv";
    const ToolRun tool = runTool(film, input);
    const std::string output = path("window.srt");
    // The filled window's picture stays in the build folder's artifacts.
    fs::create_directories(buildDir() + "/artifacts");
#ifdef _WIN32
    const std::string picture = buildDir() + "/artifacts/tessaly-sync-filled-windows.png";
#else
    const std::string picture = buildDir() + "/artifacts/tessaly-sync-filled-linux.png";
#endif
    DriveSession s;
    s.drop(input).drop(film).act("progress").messages("verdict");
    showAll(s, "").save("编辑框7", output).act("shot " + picture).act("quit");
    const DriveOutcome r = s.run({}, 120);
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(windowLineOf(r, ""), tool.windowLine);
    EXPECT_EQ(readBytes(output), tool.output);
    // The progress box's line, then the verdict's message box.
    EXPECT_EQ(r.messages("verdict"),
              (std::vector<std::string>{"progress caption=\"自动对齐\" first=\"正在读取影片“you-en-10db-mkv-aac+video.mkv”"
                                        "的声音…\" button=\"取消\" ended=done",
                                        "已按影片“you-en-10db-mkv-aac+video.mkv”自动对齐：比率 0.9590409590409591（帧率 "
                                       "23.976 → 25），分 1 段；169 / 171 句字幕在影片的语音里找到了对应（98.8%），171 "
                                       "句有确切的佐证（100.0%）。各参考点已填好并已调节；改动某一点后可以再按“调节”。"}));
}

TEST_F(WindowSync, ASubtitleDroppedOnTheOutputBoxIsTheReference) {
    const std::string input = kData + "/sintel-zh-old.srt", reference = kData + "/sintel-en.srt";
    const ToolRun tool = runTool(reference, input);
    const std::string output = path("window.srt");
    DriveSession s;
    s.drop(input).act("dropon 编辑框7 " + reference).messages("verdict");
    showAll(s, "").save("编辑框7", output).act("quit");
    const DriveOutcome r = s.run({}, 60);
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(windowLineOf(r, ""), tool.windowLine);
    EXPECT_EQ(readBytes(output), tool.output);
    ASSERT_EQ(r.messages("verdict").size(), 1u);
    EXPECT_EQ(r.messages("verdict")[0].rfind("已按参考字幕“sintel-en.srt”自动对齐：比率 1.0427083333333333（帧率 25 → 23.976），分 2 段", 0), 0u);
}

TEST_F(WindowSync, ACancelOrAFilmOfOtherDialogueLeavesEveryBoxAsItWas) {
    const std::string input = kFilms + "/you-en-old-release.srt", other = kFilms + "/tos-en-10db-mkv-ac3.mkv";
    const ToolRun tool = runTool(other, input, 4);
    ASSERT_FALSE(tool.partners.empty());
    DriveSession s;
    s.drop(input).click("选择框3").set("编辑框3", "00:00:30,000").set("编辑框8", "1.5").click("选择框6");
    showAll(s, "before ");
    s.act("cancel after 150").drop(kFilms + "/you-en-10db-mkv-aac+video.mkv").act("progress").messages("cancel");
    showAll(s, "cancelled ");
    s.drop(other).messages("other");
    showAll(s, "other ");
    // What cannot be read is said in Chinese, the film reader's reason too,
    // whatever the locale the window runs in.
    const std::string noise = path("noise.mkv");
    writeBytes(noise, std::string("\x1a\x45\xdf\xa3", 4) + std::string(4092, '\0'));
    s.drop(noise).messages("unreadable").act("quit");
    const DriveOutcome r = s.run({}, 120);
    ASSERT_EQ(r.status, 0) << r.transcript();
    // The box's line alone: a cancel says nothing more. The other film's
    // count of cues with a partner is the tool's.
    ASSERT_EQ(r.messages("cancel").size(), 1u);
    EXPECT_NE(r.messages("cancel")[0].find("button=\"取消\" ended=cancelled"), std::string::npos);
    EXPECT_EQ(r.messages("other"),
              std::vector<std::string>{"影片“tos-en-10db-mkv-ac3.mkv”和字幕框里的字幕共同之处太少（" + tool.partners +
                                       " / 171 句找到对应），像是另一部影片或另一集，什么也没有填。"});
    // (The film's path, in the reader's reason, as the transcript quotes it.)
    ASSERT_EQ(r.messages("unreadable").size(), 1u);
    const std::string unreadable = r.messages("unreadable")[0];
    EXPECT_EQ(unreadable.rfind("读不了影片“" + fs::path(noise).filename().string() + "”，什么也没有填。（", 0), 0u);
    EXPECT_TRUE(unreadable.ends_with("noise.mkv：不是可以读取的影片或声音文件）")) << unreadable;
    for (const std::string& box : kBoxes) {
        EXPECT_EQ(r.shown("cancelled " + box).line, r.shown("before " + box).line);
        EXPECT_EQ(r.shown("other " + box).line, r.shown("before " + box).line);
    }
}

}  // namespace
}  // namespace ui::e2e
