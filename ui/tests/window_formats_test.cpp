// Subtitle formats through the window: an ASS (also as UTF-16), a WebVTT and
// an SBV text dropped and re-timed by 调节 in their own form, only their
// times changed; and the texts the window cannot re-time, which it says so
// of in a message box instead of showing an output.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/tests/test_files.h"
#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

const char* const kResultLabels[4] = {"标签13", "标签14", "标签15", "标签16"};

// Lines taken from real files of each format (the ASS one with End before
// Start, relative times in its override tags, a Comment line; the WebVTT one
// with hour-less times, cue settings, a NOTE holding a time and timestamps
// inside a cue), and what a shift of +1.005 s makes of them.
struct FormatCase {
    std::string name;
    std::string input;
    std::string shifted;
};

const FormatCase kCases[] = {
    {"ass",
     "\xEF\xBB\xBF[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
     "Format: Layer, End, Start, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
     "Dialogue: 0,0:00:04.25,0:00:01.00,Default,,0,0,0,,{\\k80}卡拉{\\fad(200,300)}OK\r\n"
     "Comment: 0,0:00:07.00,0:00:05.50,Default,,0,0,0,,注释, 0:00:09.00\r\n",
     // Centiseconds, rounded to the nearest.
     "\xEF\xBB\xBF[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
     "Format: Layer, End, Start, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
     "Dialogue: 0,0:00:05.26,0:00:02.01,Default,,0,0,0,,{\\k80}卡拉{\\fad(200,300)}OK\r\n"
     "Comment: 0,0:00:08.01,0:00:06.51,Default,,0,0,0,,注释, 0:00:09.00\r\n"},
    {"vtt",
     "WEBVTT\n\nNOTE 时间 00:00:05.000 不是字幕时间\n\nintro\n00:01.000 --> 00:04.250 align:start position:10%\n"
     "<c.yellow>卡拉</c><00:01.800>OK<00:02.600>的\n\n59:59.000 --> 01:00:00.000 line:85%\n一小时\n",
     // Hour-less while under an hour.
     "WEBVTT\n\nNOTE 时间 00:00:05.000 不是字幕时间\n\nintro\n00:02.005 --> 00:05.255 align:start position:10%\n"
     "<c.yellow>卡拉</c><00:02.805>OK<00:03.605>的\n\n01:00:00.005 --> 01:00:01.005 line:85%\n一小时\n"},
    {"sbv",
     "0:00:00.599,0:00:04.160\n>> ALICE: Hi, my name is Alice Miller\n\n0:00:04.160,0:00:06.770\n>> JOHN: and we're\n",
     "0:00:01.604,0:00:05.165\n>> ALICE: Hi, my name is Alice Miller\n\n0:00:05.165,0:00:07.775\n>> JOHN: and we're\n"},
};

class WindowFormats : public ::testing::Test, protected MadeFiles {};

// The custom ratio mode with ratio 1 and the shift given.
void customShift(DriveSession& s, const std::string& shift) {
    s.click("选择框4").set("编辑框8", "1").set("掩码编辑框6", shift);
}

TEST_F(WindowFormats, EachFormatIsRetimedInItsOwnFormAndTheIdentityChangesNothing) {
    DriveSession s;
    for (const FormatCase& c : kCases) {
        const std::string in = file("formats." + c.name, c.input);
        s.drop(in);
        customShift(s, "+ 00:00:00,000");
        s.click("按钮1").save("编辑框7", path(c.name + ".same")).messages(c.name + " same");
        customShift(s, "+ 00:00:01,005");
        s.click("按钮1").save("编辑框7", path(c.name + ".shifted")).messages(c.name + " shifted");
    }
    // UTF-16 (little-endian, with its mark): shown and re-timed as UTF-8.
    std::u16string units;
    for (char c : std::string("[Events]\r\nDialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,x\r\n")) units += char16_t(c);
    s.drop(file("utf16.ass", testfiles::utf16(units, false)));
    s.click("按钮1").save("编辑框7", path("utf16.shifted")).messages("utf16");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (const FormatCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(tempPath(c.name + ".same")), c.input);
        EXPECT_EQ(readBytes(tempPath(c.name + ".shifted")), c.shifted);
        EXPECT_TRUE(r.messages(c.name + " same").empty());
        EXPECT_TRUE(r.messages(c.name + " shifted").empty());
    }
    EXPECT_EQ(readBytes(tempPath("utf16.shifted")),
              "[Events]\r\nDialogue: 0,0:00:02.01,0:00:03.51,Default,,0,0,0,,x\r\n");
    EXPECT_TRUE(r.messages("utf16").empty());
}

TEST_F(WindowFormats, TextsWithNothingToRetimeSaySoAndShowNoResult) {
    const std::string noFrameRate = "{24}{72}First line\r\n{100}{150}Second\r\n";
    const std::string withFrameRate = "{1}{1}25\r\n" + noFrameRate;
    DriveSession s;
    s.click("选择框1").set("编辑框2", "00:00:00,000").set("编辑框6", "00:00:10,000");
    s.set("掩码编辑框1", "00:00:00,000").set("掩码编辑框5", "00:00:20,000");
    const struct {
        std::string label, text;
    } kTexts[] = {{"empty", ""}, {"plain", "no time lines here"}, {"ass", "[Script Info]\r\n[Events]\r\n"},
                  {"microdvd", noFrameRate}};
    for (const auto& t : kTexts) {
        if (t.text.find('\n') == std::string::npos) {
            s.set("编辑框1", t.text);
        } else {
            s.drop(file(t.label + ".txt", t.text));
        }
        s.click("按钮1").messages(t.label).show("编辑框7", t.label + " output");
        for (const char* l : kResultLabels) s.show(l, t.label + " " + l);
    }
    // With its frame-rate line the same MicroDVD text is re-timed: ratio 2.
    s.drop(file("framed.sub", withFrameRate));
    s.click("按钮1").messages("framed").save("编辑框7", path("framed.out"));
    // Below zero: WebVTT has no "-", so the time becomes zero, with a message.
    s.click("选择框4").set("编辑框8", "1").set("掩码编辑框6", "- 00:00:02,000");
    s.drop(file("early.vtt", "WEBVTT\n\n00:01.000 --> 00:03.000\nA\n"));
    s.click("按钮1").messages("early").save("编辑框7", path("early.out"));
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (const auto& t : kTexts) {
        SCOPED_TRACE(t.label);
        const std::string expected = t.label == "microdvd" ? "字幕框里的MicroDVD字幕缺少首行{1}{1}帧率啦" : "字幕框里没有认得的时间行啦";
        EXPECT_EQ(r.messages(t.label), std::vector<std::string>{expected});
        EXPECT_EQ(r.shown(t.label + " output").text, "");
        for (const char* l : kResultLabels) EXPECT_EQ(r.shown(t.label + " " + l).visible, 0);
    }
    EXPECT_TRUE(r.messages("framed").empty());
    EXPECT_EQ(readBytes(tempPath("framed.out")), "{1}{1}25\r\n{48}{144}First line\r\n{200}{300}Second\r\n");
    EXPECT_EQ(r.messages("early"), std::vector<std::string>{"有时间调节后早于0，已按0写出啦"});
    EXPECT_EQ(readBytes(tempPath("early.out")), "WEBVTT\n\n00:00.000 --> 00:01.000\nA\n");
}

}  // namespace
}  // namespace ui::e2e
