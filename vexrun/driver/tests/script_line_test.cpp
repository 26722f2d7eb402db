// Reading script lines, and the fixed format of `show`.
#include <gtest/gtest.h>

#include "vexrun/driver/script_line.h"
#include "vexrun/driver/show_line.h"

namespace drive {
namespace {

ScriptLine parsed(std::string_view line) {
    std::string error;
    auto l = parseScriptLine(line, error);
    EXPECT_TRUE(l) << line << ": " << error;
    return l.value_or(ScriptLine{Verb::Quit, {}, {}});
}

std::string errorOf(std::string_view line) {
    std::string error;
    EXPECT_FALSE(parseScriptLine(line, error)) << line;
    return error;
}

TEST(ScriptLine, TheArgumentIsTheRestOfTheLineVerbatim) {
    ScriptLine l = parsed("type 编辑框8 1.5 x  y ");
    EXPECT_EQ(l.verb, Verb::Type);
    EXPECT_EQ(l.control, "编辑框8");
    EXPECT_EQ(l.argument, "1.5 x  y ");
    l = parsed("clipboard 00:01:47,000 --> 00:01:50,000");
    EXPECT_EQ(l.argument, "00:01:47,000 --> 00:01:50,000");
    l = parsed("set 编辑框2  leading space\r");  // a CR before the end is dropped
    EXPECT_EQ(l.argument, " leading space");
    l = parsed("drop /tmp/a b.srt");
    EXPECT_EQ(l.argument, "/tmp/a b.srt");
    EXPECT_TRUE(l.control.empty());
}

TEST(ScriptLine, ClipboardFilesPasteAndCopy) {
    EXPECT_EQ(parsed("clipfile /tmp/a b.srt").argument, "/tmp/a b.srt");
    EXPECT_EQ(parsed("paste 编辑框1").verb, Verb::Paste);
    EXPECT_EQ(parsed("copy 编辑框7").control, "编辑框7");
    EXPECT_EQ(parsed("saveclip /tmp/c.txt").verb, Verb::SaveClip);
    EXPECT_NE(errorOf("clipfile").find("needs an argument"), std::string::npos);
    EXPECT_NE(errorOf("paste 编辑框1 now").find("only a control"), std::string::npos);
}

TEST(ScriptLine, EmptyTextsWhereAnEmptyTextMeansSomething) {
    EXPECT_EQ(parsed("clipboard").argument, "");
    EXPECT_EQ(parsed("set 编辑框2").argument, "");
    EXPECT_EQ(parsed("set 编辑框2 ").argument, "");
    // saveas without a path accepts what the save dialog proposes.
    EXPECT_EQ(parsed("saveas 编辑框7").verb, Verb::SaveAs);
    EXPECT_EQ(parsed("saveas 编辑框7").argument, "");
    EXPECT_EQ(parsed("saveas 编辑框7 /tmp/a b.srt").argument, "/tmp/a b.srt");
}

TEST(ScriptLine, KeyCodes) {
    EXPECT_EQ(parsed("key 掩码编辑框7 13").keyCode, 13);
    EXPECT_EQ(parsed("key 掩码编辑框7 0x41").keyCode, 0x41);
    EXPECT_NE(errorOf("key 掩码编辑框7 enter").find("key code"), std::string::npos);
    EXPECT_NE(errorOf("key 掩码编辑框7 300").find("key code"), std::string::npos);
}

TEST(ScriptLine, CommentsAndEmptyLinesAreSkipped) {
    std::string error;
    EXPECT_FALSE(parseScriptLine("", error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(parseScriptLine("# a comment", error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(parseScriptLine("\r", error));
    EXPECT_TRUE(error.empty());
}

TEST(ScriptLine, LinesThatCannotBeRead) {
    EXPECT_NE(errorOf("press 按钮1").find("unknown verb \"press\""), std::string::npos);
    EXPECT_NE(errorOf("click").find("needs a control"), std::string::npos);
    EXPECT_NE(errorOf("click 按钮1 twice").find("only a control"), std::string::npos);
    EXPECT_NE(errorOf("type 编辑框2").find("needs an argument"), std::string::npos);
    EXPECT_NE(errorOf("save 编辑框7").find("needs an argument"), std::string::npos);
    EXPECT_NE(errorOf("drop").find("needs an argument"), std::string::npos);
    EXPECT_NE(errorOf("shot").find("needs an argument"), std::string::npos);
    EXPECT_NE(errorOf("close now").find("nothing after it"), std::string::npos);
    EXPECT_NE(errorOf("Click 按钮1").find("unknown verb"), std::string::npos);
}

TEST(ShowLine, FixedFormatWithEscapes) {
    ShownState s;
    s.checked = -1;
    s.enabled = 1;
    s.visible = true;
    EXPECT_EQ(showLine("编辑框2", u"00:00:00,000", s),
              "编辑框2 text=\"00:00:00,000\" checked=- enabled=1 visible=1");
    s.checked = 1;
    s.enabled = 0;
    s.visible = false;
    EXPECT_EQ(showLine("选择框1", u"分1段", s), "选择框1 text=\"分1段\" checked=1 enabled=0 visible=0");
    EXPECT_EQ(escapeText(u"a\"b\\c\r\nd\te\x01"), "a\\\"b\\\\c\\r\\nd\\te\\x01");
    // A byte that decoded to nothing, kept as its escape character.
    EXPECT_EQ(escapeText(std::u16string(1, char16_t(0xDC80 + 0x7F))), "\\xFF");
    EXPECT_EQ(escapeText(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(escapeText(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDE00)}), "a?b?");
    s.enabled = -1;
    EXPECT_EQ(showLine("拖放对象1", u"", s), "拖放对象1 text=\"\" checked=1 enabled=- visible=0");
}

}  // namespace
}  // namespace drive
