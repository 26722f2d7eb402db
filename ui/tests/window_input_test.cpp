// Getting text into the window: the clipboard pasted into the source time
// boxes by a double-click, and a subtitle file dropped on the subtitle box.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"
#include "ui/tests/gbk.h"
#include "ui/tests/window_texts.h"

namespace ui::e2e {
namespace {

TEST(WindowPaste, ADoubleClickPutsTheClipboardTextIntoTheSourceBoxUnchanged) {
    DriveSession s;
    s.act("clipboard 00:01:47,000").dblclick("编辑框2").show("编辑框2", "time");
    // A whole time line goes in whole, spaces and all: no trimming, no check.
    s.act("clipboard 00:00:01,000 --> 00:00:02,000").dblclick("编辑框4").show("编辑框4", "time line");
    s.act("clipboard   00:00:05,000  ").dblclick("编辑框6").show("编辑框6", "spaces");
    s.act("clipboard 不是时间").dblclick("编辑框2").show("编辑框2", "not a time");
    // An empty clipboard empties the box.
    s.act("clipboard").dblclick("编辑框4").show("编辑框4", "empty clipboard");
    // Rows 1/4 and 3/4 are disabled in the 2-segment mode: no double-click
    // reaches them.
    s.act("clipboard 00:09:09,999").dblclick("编辑框3").dblclick("编辑框5");
    s.show("编辑框3", "disabled 1/4").show("编辑框5", "disabled 3/4");
    // Enabled by the 4-segment mode they take the paste.
    s.click("选择框3").dblclick("编辑框3").dblclick("编辑框5");
    s.show("编辑框3", "enabled 1/4").show("编辑框5", "enabled 3/4");
    // In the custom ratio mode every source box is disabled.
    s.click("选择框4").act("clipboard 11:11:11,111");
    for (const char* box : {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"}) s.dblclick(box);
    s.show("编辑框2", "custom 0/4").show("编辑框6", "custom 4/4");
    // Target boxes have no paste handler: a double-click leaves them alone.
    s.dblclick("掩码编辑框1").dblclick("掩码编辑框2");
    s.show("掩码编辑框1", "target 0/4").show("掩码编辑框2", "target 1/4");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();

    EXPECT_EQ(r.shown("time").text, "00:01:47,000");
    EXPECT_EQ(r.shown("time line").text, "00:00:01,000 --> 00:00:02,000");
    EXPECT_EQ(r.shown("spaces").text, "  00:00:05,000  ");
    EXPECT_EQ(r.shown("not a time").text, "不是时间");
    EXPECT_EQ(r.shown("empty clipboard").text, "");
    EXPECT_EQ(r.shown("disabled 1/4").text, "00:00:00,000");
    EXPECT_EQ(r.shown("disabled 3/4").text, "00:00:00,000");
    EXPECT_EQ(r.shown("enabled 1/4").text, "00:09:09,999");
    EXPECT_EQ(r.shown("enabled 3/4").text, "00:09:09,999");
    EXPECT_EQ(r.shown("custom 0/4").text, "不是时间");
    EXPECT_EQ(r.shown("custom 4/4").text, "  00:00:05,000  ");
    EXPECT_EQ(r.shown("target 0/4").text, "00:00:00,000");
    EXPECT_EQ(r.shown("target 1/4").text, "  :  :  ,   ");
}

class WindowDrop : public ::testing::Test, protected MadeFiles {};

TEST_F(WindowDrop, ADroppedFileReplacesWhatTheBoxHeldByteForByte) {
    const std::string first = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC4\xE3\xBA\xC3\r\n";  // GBK dialogue
    const std::string second = "7\r\n00:10:00,000 --> 00:10:02,000\r\nsecond file\r\n";
    const std::string a = file("first.srt", first);
    const std::string b = file("second.srt", second);
    const std::string saved1 = path("saved1.srt"), saved2 = path("saved2.srt");
    DriveSession s;
    s.set("编辑框1", "typed by hand").drop(a).save("编辑框1", saved1);
    // A second drop replaces the first file's text as well.
    s.drop(b).save("编辑框1", saved2).act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(readBytes(saved1), first);
    EXPECT_EQ(readBytes(saved2), second);
}

TEST_F(WindowDrop, WhatIsNotAReadableRegularFileLeavesTheBoxAsItWas) {
    const std::string folder = path("folder");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string gone = path("gone.srt");
    const std::string locked = file("locked.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nsecret\r\n");
    const std::string saved = path("saved.srt");
    DriveSession s;
    s.set("编辑框1", "typed by hand").drop(folder).drop(gone);
#ifdef _WIN32
    // Windows has no FIFO among files. A file another program holds open
    // without sharing it cannot be read, whoever asks.
    const HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const bool lockedIsUnreadable = true;
#else
    const std::string fifo = path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    s.drop(fifo);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    // Root reads a file without read permission all the same; the check only
    // means something for an ordinary user.
    const bool lockedIsUnreadable = geteuid() != 0;
#endif
    if (lockedIsUnreadable) s.drop(locked);
    s.save("编辑框1", saved).act("quit");
    const DriveOutcome r = s.run();
#ifdef _WIN32
    CloseHandle(holder);
#endif
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(readBytes(saved), "typed by hand");
}

TEST(WindowTimeBoxes, APastedOrSetTimeLandsFieldByField) {
    DriveSession s;
    s.set("掩码编辑框1", " 00:40:12,700").show("掩码编辑框1", "leading blank");
    s.set("掩码编辑框2", "1:02:03,400").show("掩码编辑框2", "one-digit hours");
    s.set("掩码编辑框3", "41:17.5").show("掩码编辑框3", "from the right");
    s.set("掩码编辑框6", "-1:30:00,000").show("掩码编辑框6", "signed shift");
    // A calculator operand takes the clipboard on a double-click and computes.
    s.act("clipboard  1:02:03,400\t").dblclick("掩码编辑框7").act("clipboard ,5").dblclick("掩码编辑框8");
    s.show("编辑框9", "difference");
    // Not a time: through the mask as typed.
    s.set("掩码编辑框4", "12:34").show("掩码编辑框4", "not a time");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("leading blank").text, "00:40:12,700");
    EXPECT_EQ(r.shown("one-digit hours").text, "01:02:03,400");
    EXPECT_EQ(r.shown("from the right").text, "00:41:17,500");
    EXPECT_EQ(r.shown("signed shift").text, "- 01:30:00,000");
    EXPECT_EQ(r.shown("difference").text, "01:02:02,900");
    EXPECT_EQ(r.shown("not a time").text, "12:34:  ,   ");
}

TEST_F(WindowDrop, PastingASubtitleAndCopyingTheOutputKeepEveryByte) {
    std::string subtitle;
    for (int i = 0; i < 300; ++i) {
        subtitle += std::to_string(i + 1) + "\r\n" + timeText(1000 + i * 3000) + " --> " + timeText(3000 + i * 3000) +
                    "\r\n" + *test::toGbk("第") + std::to_string(i + 1) + *test::toGbk("句") + "\r\n\r\n";
    }
    // The box's text came in as GBK (its initial text), and so goes a paste.
    const std::string clip = file("clip.srt", subtitle);
    const std::string pasted = path("pasted.srt"), output = path("output.srt"), copied = path("copied.srt");
    DriveSession s;
    s.act("clipfile " + clip).set("编辑框1", "").act("paste 编辑框1").save("编辑框1", pasted);
    // One segment from 0/4 to 4/4: the output box gets the re-timed text.
    s.click("选择框1").set("编辑框6", timeText(1000 + 299 * 3000)).set("掩码编辑框5", timeText(1100 + 299 * 3000));
    s.click("按钮1").save("编辑框7", output).act("copy 编辑框7").act("saveclip " + copied).act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_TRUE(readBytes(pasted) == subtitle);
    // The output box holds the re-timed text with CR LF line ends, and a copy
    // of it gives exactly those bytes (as UTF-8).
    const std::string out = readBytes(output);
    EXPECT_EQ(out.size(), subtitle.size());
    EXPECT_NE(out.find(timeText(1100 + 299 * 3000) + " --> "), std::string::npos);
    EXPECT_TRUE(test::toGbk(readBytes(copied)) == out);
}

}  // namespace
}  // namespace ui::e2e
