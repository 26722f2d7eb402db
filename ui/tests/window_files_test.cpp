// Files in and out of the window: a dropped file that is no text is refused
// with a message and the subtitle box keeps its text; the re-timed text is
// saved beside the dropped file in its own encoding (or in the home folder as
// UTF-8 for a pasted text); the program started with a file shows it.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

namespace fs = std::filesystem;

// A folder of this test's own, so that the files (and the messages naming
// them) have the same names on every platform and in every run.
class WindowFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = tempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string file(const std::string& name, const std::string& bytes) const {
        writeBytes(path(name), bytes);
        return path(name);
    }
    std::string path(const std::string& name) const { return (fs::path(dir_) / name).string(); }
    // The home folder the driver's program sees.
    std::vector<std::string> homeHere() const { return {"HOME=" + dir_, "USERPROFILE=" + dir_}; }

    std::string dir_;
};

constexpr const char* kCue = "1\r\n00:00:01,000 --> 00:00:02,000\r\nline\r\n";

// ASCII text as UTF-16 big-endian with its byte-order mark.
std::string marked16(const std::string& ascii) {
    std::string out = "\xFE\xFF";
    for (char c : ascii) out += std::string(1, '\0') + c;
    return out;
}

TEST_F(WindowFiles, WhatIsNoTextIsRefusedWithAMessageAndTheBoxKeepsItsText) {
    const std::string nul = file("stray-nul.srt", std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nab\0cd\r\n", 41));
    const std::string empty = file("empty.srt", "");
    const std::string png = file("picture.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\1\0", 20));
    const std::string film = file("film.mp4", std::string("\0\0\0\x18" "ftypmp42\0\0\0\0mp42isom", 24));
    // UTF-16 without a byte-order mark is text.
    const std::string utf16 = file("unmarked.srt", std::string("1\0\r\0\n\0\x60\x4F\r\0\n\0", 12));
    const std::string kept = path("kept.srt"), after = path("after.srt");
    DriveSession s;
    s.set("编辑框1", "typed by hand");
    for (const std::string& f : {nul, empty, png, film}) s.drop(f);
    s.messages("refused").save("编辑框1", kept);
    s.drop(utf16).messages("utf-16").save("编辑框1", after).act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.messages("refused"),
              (std::vector<std::string>{"读不了“stray-nul.srt”：第 3 行（第 37 字节）有空字符（NUL），不像字幕文本。",
                                        "读不了“empty.srt”：文件是空的。",
                                        "读不了“picture.png”：这不是文本文件（像是图片、视频或其他二进制文件）。",
                                        "读不了“film.mp4”：这不是文本文件（像是图片、视频或其他二进制文件）。"}));
    EXPECT_EQ(readBytes(kept), "typed by hand");
    EXPECT_TRUE(r.messages("utf-16").empty());
    EXPECT_EQ(readBytes(after), "1\r\n\xE4\xBD\xA0\r\n");
}

TEST_F(WindowFiles, AFileThatOpensButCannotBeReadIsRefusedWithAMessage) {
    // One that opens and fails at the first read: the process's own memory
    // from address 0 (Linux, and Wine, which reads it through Linux); on
    // Windows a file whose bytes another program holds under a lock, which
    // Wine does not keep from being read.
#ifdef _WIN32
    std::string unreadable = "Z:\\proc\\self\\mem";
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        unreadable = file("mem", kCue);
        holder = CreateFileA(unreadable.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(LockFile(holder, 0, 0, 1u << 20, 0));
    }
#else
    const std::string unreadable = "/proc/self/mem";
#endif
    const std::string kept = path("kept.srt");
    DriveSession s;
    s.set("编辑框1", "typed by hand").drop(unreadable).messages("refused").save("编辑框1", kept).act("quit");
    const DriveOutcome r = s.run();
#ifdef _WIN32
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
#endif
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.messages("refused"), std::vector<std::string>{"读不了“mem”：读取出错，文件没能读完。"});
    EXPECT_EQ(readBytes(kept), "typed by hand");
}

TEST_F(WindowFiles, TheResultIsSavedBesideTheDroppedFileInItsOwnEncoding) {
    // GBK with CR LF, and UTF-16 big-endian with its mark and LF.
    const std::string gbk = file("old.srt", std::string(kCue) + "\xC4\xE3\xBA\xC3\r\n");
    const std::string utf16 = file("wide.srt", marked16("1\n00:00:01,000 --> 00:00:02,000\n"));
    const std::string pasted = file("pasted.txt", "1\n00:00:05,000 --> 00:00:06,000\n\xE4\xBD\xA0\xE5\xA5\xBD\n");
    const std::string home = path("subtitle.retimed.srt");
    DriveSession s;
    // One second later, as the custom ratio mode with "+ 00:00:01,000" gives it.
    s.click("选择框4").set("掩码编辑框6", "+00:00:01,000");
    s.drop(gbk).click("按钮1").act("saveas 编辑框7").messages("gbk");
    s.drop(utf16).click("按钮1").act("saveas 编辑框7").messages("utf-16");
    // A text pasted over the whole box (selected by Ctrl+A) is no longer the dropped file's.
    s.act("copy 编辑框1").act("clipfile " + pasted).act("paste 编辑框1");
    s.click("按钮1").act("saveas 编辑框7").messages("pasted");
    // The subtitle box offers no save; a save the user names goes there.
    s.act("saveas 编辑框7 " + path("named.srt")).messages("named").act("quit");
    const DriveOutcome r = s.run(homeHere());
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.messages("gbk"), std::vector<std::string>{"save as old.retimed.srt"});
    EXPECT_EQ(readBytes(path("old.retimed.srt")),
              std::string("1\r\n00:00:02,000 --> 00:00:03,000\r\nline\r\n\xC4\xE3\xBA\xC3\r\n"));
    EXPECT_EQ(r.messages("utf-16"), std::vector<std::string>{"save as wide.retimed.srt"});
    EXPECT_EQ(readBytes(path("wide.retimed.srt")), marked16("1\n00:00:02,000 --> 00:00:03,000\n"));
    EXPECT_EQ(r.messages("pasted"), std::vector<std::string>{"save as subtitle.retimed.srt"});
    EXPECT_EQ(readBytes(home), "1\n00:00:06,000 --> 00:00:07,000\n\xE4\xBD\xA0\xE5\xA5\xBD\n");
    EXPECT_EQ(readBytes(path("named.srt")), readBytes(home));
}

TEST_F(WindowFiles, ASaveThatCannotBeWrittenSaysSo) {
    DriveSession s;
    s.act("saveas 编辑框7 " + path("no-such-folder/out.srt")).messages("refused").act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.messages("refused"),
              (std::vector<std::string>{"save as out.srt", "没能保存“out.srt”：无法在这个文件夹里写文件。"}));
}

TEST_F(WindowFiles, TheProgramStartedWithAFileShowsItAsIfDropped) {
    const std::string subtitle = file("start.srt", kCue);
    DriveSession opened;
    opened.show("编辑框1", "opened").act("quit");
    DriveOutcome r = opened.run({}, 30, {"--open", subtitle});
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("opened").text, kCue);

    DriveSession refused;
    refused.messages("refused").show("编辑框1", "kept").act("quit");
    r = refused.run({}, 30, {"--open", path("missing.srt")});
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.messages("refused"), std::vector<std::string>{"读不了“missing.srt”：打不开这个文件。"});
    EXPECT_EQ(r.shown("kept").text, "拖动srt字幕文件或粘贴字幕文本到本框内...");
}

}  // namespace
}  // namespace ui::e2e
