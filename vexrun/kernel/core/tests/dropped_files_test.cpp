// Dropped files as the kernel library judges them before the program hears of
// them, the program's read of the file handed on, and saving a text back in
// the dropped file's own encoding.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "vexrun/kernel/core/dropped_files.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/tests/kernel_call.h"
#include "vexrun/kernel/core/text_saving.h"

using namespace coretest;
using prog::argText;

namespace vexrun {
namespace {

class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/vexrun-drop-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~Folder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << bytes;
        return path_ + "/" + name;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string refusalOf(const std::string& path, uint64_t maxBytes = kMaxFileBytes) {
    std::string refusal;
    EXPECT_FALSE(readTextFile(path, refusal, maxBytes)) << path;
    return refusal;
}

TEST(DroppedFile, WhatIsNoTextIsRefusedWithTheReasonAndTheFilesName) {
    Folder d;
    const std::pair<std::string, std::string> cases[] = {
        {d.file("empty.srt", ""), "读不了“empty.srt”：文件是空的。"},
        {d.path() + "/gone.srt", "读不了“gone.srt”：打不开这个文件。"},
        {d.path(), "这是文件夹。"},
        {d.file("picture.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), "这不是文本文件"},
        {d.file("film.mp4", std::string("\0\0\0\x20" "ftypisom\0\0\2\0", 16)), "这不是文本文件"},
        {d.file("noise.bin", std::string(200, '\x01') + "text"), "这不是文本文件"},
        // A stray NUL: where it is.
        {d.file("nul.srt", std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nab\0c\r\n", 40)),
         "读不了“nul.srt”：第 3 行（第 37 字节）有空字符（NUL），不像字幕文本。"},
        {d.file("big.srt", std::string(2000, 'x')), "读不了“big.srt”：文件太大（超过 1000 字节）。"},
    };
    for (const auto& [path, message] : cases) {
        EXPECT_NE(refusalOf(path, 1000).find(message), std::string::npos) << path << ": " << refusalOf(path, 1000);
    }
    // What the system lets us open but not read through.
    EXPECT_EQ(refusalOf("/proc/self/mem"), "读不了“mem”：读取出错，文件没能读完。");
}

TEST(DroppedFile, TextComesAsTheProgramReadsItUtf16WithOrWithoutItsMark) {
    Folder d;
    std::string refusal;
    const std::string le("1\0\r\0\n\0\x60\x4F" "a\0", 10), be("\0" "1\0\r\0\n\x4F\x60\0a", 10);
    const std::pair<std::string, TextForm> cases[] = {
        {"\xFF\xFE" + le, TextForm::Utf16LeMarked}, {"\xFE\xFF" + be, TextForm::Utf16BeMarked},
        {le, TextForm::Utf16Le},                    {be, TextForm::Utf16Be},
    };
    for (const auto& [bytes, form] : cases) {
        const auto text = readTextFile(d.file("u.srt", bytes), refusal);
        ASSERT_TRUE(text) << refusal;
        EXPECT_EQ(text->text, "1\r\n\xE4\xBD\xA0" "a");
        EXPECT_EQ(text->form, form);
    }
    // GBK with a lone DOS end-of-file mark, and a UTF-8 mark, stay bytes.
    for (const std::string bytes : {"\xC4\xE3\xBA\xC3\r\n\x1A", "\xEF\xBB\xBF" "1\n"}) {
        const auto text = readTextFile(d.file("b.srt", bytes), refusal);
        ASSERT_TRUE(text) << refusal;
        EXPECT_EQ(text->text, bytes);
        EXPECT_EQ(text->form, TextForm::Bytes);
    }
}

TEST(DroppedFile, TheProgramsReadGetsTheTextReadAtTheDropAndTheFileBecomesTheSource) {
    Folder d;
    forgetDroppedFiles();
    const int box = 0;
    const std::string path = d.file("film.srt", "\xFF\xFE" + std::string("x\0\n\0", 4));
    EXPECT_FALSE(prepareDroppedFile(path, &box));
    std::ofstream(path, std::ios::binary) << "changed since";  // read once, at the drop
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(path.c_str())})), "x\n");
    ASSERT_TRUE(droppedSource());
    EXPECT_EQ(droppedSource()->form, TextForm::Utf16LeMarked);
    // Taken once: a second read reads the file.
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(path.c_str())})), "changed since");
    // A refused file leaves the source as it was; a paste over another box too.
    EXPECT_TRUE(prepareDroppedFile(d.file("e.srt", ""), &box));
    const int other = 0;
    boxTextReplaced(&other);
    EXPECT_TRUE(droppedSource());
    boxTextReplaced(&box);
    EXPECT_FALSE(droppedSource());
    // Two drops waiting for their handlers: each read gets its own file's text.
    const std::string a = d.file("a.srt", "A"), b = d.file("b.srt", "B");
    EXPECT_FALSE(prepareDroppedFile(a, &box));
    EXPECT_FALSE(prepareDroppedFile(b, &box));
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(b.c_str())})), "B");
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(a.c_str())})), "A");
    EXPECT_EQ(droppedSource()->path, a);
}

TEST(TextSaving, BesideTheDroppedFileInItsOwnEncodingElseHomeAsUtf8) {
    const SourceFile gbk{"/films/a.b.srt", TextForm::Bytes};
    EXPECT_EQ(proposedSavePath(gbk, "/home/u"), "/films/a.b.retimed.srt");
    EXPECT_EQ(proposedSavePath(SourceFile{"/films.d/.srt", TextForm::Bytes}, "/h"), "/films.d/.srt.retimed");
    EXPECT_EQ(proposedSavePath(std::nullopt, "/home/u"), "/home/u/subtitle.retimed.srt");
    EXPECT_EQ(proposedSavePath(std::nullopt, "/"), "/subtitle.retimed.srt");

    const std::string gbkText = "\xC4\xE3\n";
    EXPECT_EQ(bytesToSave(gbkText, gbk), gbkText);
    EXPECT_EQ(bytesToSave(gbkText, std::nullopt), "\xE4\xBD\xA0\n");  // shown as GBK, saved as UTF-8
    EXPECT_EQ(bytesToSave("\xE4\xBD\xA0\r\n", SourceFile{"u", TextForm::Utf16BeMarked}),
              std::string("\xFE\xFF\x4F\x60\0\r\0\n", 8));
    EXPECT_EQ(bytesToSave("a", SourceFile{"u", TextForm::Utf16Le}), std::string("a\0", 2));

    Folder d;
    EXPECT_FALSE(writeWholeFile(d.path() + "/out.srt", "new"));
    EXPECT_EQ(d.read("out.srt"), "new");
    EXPECT_EQ(writeWholeFile(d.path() + "/no/such/out.srt", "x"), "没能保存“out.srt”：无法在这个文件夹里写文件。");
}

}  // namespace
}  // namespace vexrun
