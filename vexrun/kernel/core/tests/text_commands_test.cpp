// The text and byte-set kernel commands: 1-based positions, -1 for nothing
// found, edges of every start and count, fresh result blocks, untouched
// arguments.
#include <gtest/gtest.h>

#include "vexrun/kernel/core/tests/kernel_call.h"
#include "vexrun/kernel/core/memory.h"

using namespace coretest;
using prog::argInt;
using prog::argLogical;
using prog::argOmitted;
using prog::argText;

namespace {

// Every test leaves as many kernel blocks alive as it found.
class TextCommands : public ::testing::Test {
protected:
    void SetUp() override { live_ = vexrun::liveBlockCount(); }
    void TearDown() override { EXPECT_EQ(vexrun::liveBlockCount(), live_) << "a result block leaked"; }

private:
    int64_t live_ = 0;
};

int32_t find(const char* s, const char* needle, vx::ArgRecord start = argOmitted()) {
    return asInt(kernel(vx::kCmdFindText, {argText(s), argText(needle), start}));
}
int32_t findFromEnd(const char* s, const char* needle, vx::ArgRecord start = argOmitted()) {
    return asInt(kernel(vx::kCmdFindTextFromEnd, {argText(s), argText(needle), start}));
}

TEST_F(TextCommands, FindTextForwardFromAStartPosition) {
    EXPECT_EQ(find("abcabc", "bc"), 2);
    EXPECT_EQ(find("abcabc", "bc", argInt(2)), 2);  // an occurrence at the start itself counts
    EXPECT_EQ(find("abcabc", "bc", argInt(3)), 5);
    EXPECT_EQ(find("abcabc", "c", argInt(6)), 6);   // the last position
    EXPECT_EQ(find("abcabc", "bc", argInt(6)), -1);
    EXPECT_EQ(find("abcabc", "x"), -1);
    EXPECT_EQ(find("abc", "abcd"), -1);
}

TEST_F(TextCommands, FindTextGivesMinusOneOutsideTheSubjectAndForEmptySearches) {
    EXPECT_EQ(find("abcabc", "a", argInt(0)), -1);
    EXPECT_EQ(find("abcabc", "a", argInt(-5)), -1);
    EXPECT_EQ(find("abcabc", "a", argInt(7)), -1);  // one past the end
    EXPECT_EQ(find("abcabc", ""), -1);
    EXPECT_EQ(find("", "a"), -1);
    EXPECT_EQ(find("", ""), -1);
    EXPECT_EQ(find(nullptr, "a"), -1);                                             // no text
    EXPECT_EQ(asInt(kernel(vx::kCmdFindText, {argText("abc")})), -1);            // search omitted
}

TEST_F(TextCommands, FindTextCanIgnoreAsciiCase) {
    EXPECT_EQ(asInt(kernel(vx::kCmdFindText, {argText("xABc"), argText("ab"), argOmitted(), argLogical(true)})), 2);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindText, {argText("xABc"), argText("ab"), argOmitted(), argLogical(false)})), -1);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindTextFromEnd, {argText("aBab"), argText("AB"), argOmitted(), argLogical(true)})),
              3);
}

TEST_F(TextCommands, FindTextFromTheEndTakesTheLastOccurrenceBeginningAtOrBeforeTheStart) {
    EXPECT_EQ(findFromEnd("abcabc", "bc"), 5);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(6)), 5);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(5)), 5);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(4)), 2);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(2)), 2);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(1)), -1);
    EXPECT_EQ(findFromEnd("abcabc", "abc", argInt(6)), 4);  // may run past the start
    EXPECT_EQ(findFromEnd("aaaa", "aa"), 3);
    EXPECT_EQ(findFromEnd("abcabc", "x"), -1);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(0)), -1);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(-1)), -1);
    EXPECT_EQ(findFromEnd("abcabc", "bc", argInt(7)), -1);
    EXPECT_EQ(findFromEnd("abcabc", ""), -1);
    EXPECT_EQ(findFromEnd("", "a"), -1);
    EXPECT_EQ(findFromEnd(nullptr, "a"), -1);
}

TEST_F(TextCommands, ByteSetFindsSeeEveryByteAndWorkAsTheSubtitleScanUsesThem) {
    // "1" CR LF time line CR LF: the scan finds "-->", then the CR LF before it.
    ByteSetValue input(std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\0\r\n", 39));
    ByteSetValue arrow("-->"), crlf("\r\n"), empty("");
    int32_t cursor = asInt(kernel(vx::kCmdFindBytes, {input.arg(), arrow.arg()}));
    EXPECT_EQ(cursor, 17);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytesBackward, {input.arg(), crlf.arg(), argInt(cursor)})), 2);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytes, {input.arg(), crlf.arg(), argInt(cursor)})), 33);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytes, {input.arg(), arrow.arg(), argInt(cursor + 3)})), -1);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytesBackward, {input.arg(), crlf.arg()})), 38);  // past the NUL
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytesBackward, {input.arg(), crlf.arg(), argInt(1)})), -1);
    // No "-->" at all: the backward search from -1 finds nothing.
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytesBackward, {input.arg(), crlf.arg(), argInt(-1)})), -1);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytes, {input.arg(), empty.arg()})), -1);
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytes, {prog::argBytes(nullptr), arrow.arg()})), -1);
    // A text is accepted as the search.
    EXPECT_EQ(asInt(kernel(vx::kCmdFindBytes, {input.arg(), argText("Hi")})), 35);
}

TEST_F(TextCommands, LengthsCountBytes) {
    EXPECT_EQ(asInt(kernel(vx::kCmdTextLength, {argText("\xC6\xBD\xD2\xC6")})), 4);  // 平移 in GBK
    EXPECT_EQ(asInt(kernel(vx::kCmdTextLength, {argText("")})), 0);
    EXPECT_EQ(asInt(kernel(vx::kCmdTextLength, {argText(nullptr)})), 0);
    EXPECT_EQ(asInt(kernel(vx::kCmdTextLength, {})), 0);
    ByteSetValue b(std::string("a\0b", 3));
    EXPECT_EQ(asInt(kernel(vx::kCmdByteSetLength, {b.arg()})), 3);
    EXPECT_EQ(asInt(kernel(vx::kCmdByteSetLength, {prog::argBytes(nullptr)})), 0);
}

TEST_F(TextCommands, LeftPartsKeepAtMostTheWhole) {
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText("abcdef"), argInt(2)})), "ab");
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText("abcdef"), argInt(0)})), "");
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText("abcdef"), argInt(-3)})), "");
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText("abcdef"), argInt(6)})), "abcdef");
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText("abcdef"), argInt(99)})), "abcdef");
    EXPECT_EQ(takeText(kernel(vx::kCmdLeftText, {argText(nullptr), argInt(3)})), "");

    ByteSetValue b(std::string("ab\0cd", 5));
    EXPECT_EQ(takeBytes(kernel(vx::kCmdLeftBytes, {b.arg(), argInt(4)})), std::string("ab\0c", 4));
    EXPECT_EQ(takeBytes(kernel(vx::kCmdLeftBytes, {b.arg(), argInt(-1)})), "");
    EXPECT_EQ(takeBytes(kernel(vx::kCmdLeftBytes, {b.arg(), argInt(10)})), std::string("ab\0cd", 5));
    // The header part of a text whose first line is a time line: a negative count.
    EXPECT_EQ(takeBytes(kernel(vx::kCmdLeftBytes, {b.arg(), argInt(-2)})), "");
}

TEST_F(TextCommands, MiddleOfAByteSetIsCutAtTheEdges) {
    ByteSetValue b("abcdef");
    auto middle = [&](int32_t start, int32_t n) {
        return takeBytes(kernel(vx::kCmdMiddleBytes, {b.arg(), argInt(start), argInt(n)}));
    };
    EXPECT_EQ(middle(2, 3), "bcd");
    EXPECT_EQ(middle(1, 6), "abcdef");
    EXPECT_EQ(middle(5, 10), "ef");
    EXPECT_EQ(middle(6, 1), "f");
    EXPECT_EQ(middle(7, 0), "");  // a tail that starts one past the end
    EXPECT_EQ(middle(7, 2), "");
    EXPECT_EQ(middle(0, 2), "");
    EXPECT_EQ(middle(-1, 3), "");
    EXPECT_EQ(middle(3, 0), "");
    EXPECT_EQ(middle(3, -1), "");
    EXPECT_EQ(takeBytes(kernel(vx::kCmdMiddleBytes, {prog::argBytes(nullptr), argInt(1), argInt(2)})), "");
}

TEST_F(TextCommands, ReplacePartHoldsStartAndLengthToTheText) {
    auto replace = [](const char* s, int32_t start, int32_t n, vx::ArgRecord with) {
        return takeText(kernel(vx::kCmdReplacePart, {argText(s), argInt(start), argInt(n), with}));
    };
    EXPECT_EQ(replace("abcdef", 2, 3, argText("XY")), "aXYef");
    EXPECT_EQ(replace("  :  ", 1, 1, argText("0")), "0 :  ");  // how mask blanks are filled
    EXPECT_EQ(replace("abcdef", 1, 0, argText("Z")), "Zabcdef");
    EXPECT_EQ(replace("abcdef", 7, 0, argText("Z")), "abcdefZ");
    EXPECT_EQ(replace("abcdef", 10, 2, argText("Z")), "abcdefZ");
    EXPECT_EQ(replace("abcdef", 0, 1, argText("Z")), "Zbcdef");
    EXPECT_EQ(replace("abcdef", 5, 10, argText("")), "abcd");
    EXPECT_EQ(replace("abcdef", 3, -2, argText("-")), "ab-cdef");
    EXPECT_EQ(replace("abcdef", 2, 2, argOmitted()), "adef");
    EXPECT_EQ(replace(nullptr, 1, 1, argText("x")), "x");
}

TEST_F(TextCommands, SplitKeepsEmptyFieldsAndHonoursTheMaximum) {
    auto split = [](const char* s, vx::ArgRecord sep, vx::ArgRecord max = argOmitted()) {
        return takeTextList(kernel(vx::kCmdSplitText, {argText(s), sep, max}));
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(split("::5:0", argText(":")), (V{"", "", "5", "0"}));
    EXPECT_EQ(split("1:2:3:4:5", argText(":"), argInt(4)), (V{"1", "2", "3", "4"}));
    EXPECT_EQ(split("1:2", argText(":"), argInt(4)), (V{"1", "2"}));
    EXPECT_EQ(split("1:2:3", argText(":"), argInt(0)), (V{"1", "2", "3"}));
    EXPECT_EQ(split("1:2:3", argText(":"), argInt(-1)), (V{"1", "2", "3"}));
    EXPECT_EQ(split("a:", argText(":")), (V{"a", ""}));
    EXPECT_EQ(split("", argText(":")), (V{""}));
    EXPECT_EQ(split(nullptr, argText(":")), (V{""}));
    EXPECT_EQ(split("abc", argText(":")), (V{"abc"}));
    EXPECT_EQ(split("a,b", argOmitted()), (V{"a", "b"}));
    EXPECT_EQ(split("a:b", argText("")), (V{"a:b"}));
    EXPECT_EQ(split("1 --> 2 --> 3", argText(" --> ")), (V{"1", "2", "3"}));
}

TEST_F(TextCommands, TextToByteSetGivesAFreshBlockEvenWhenEmpty) {
    EXPECT_EQ(takeBytes(kernel(vx::kCmdTextToByteSet, {argText("00:00:01,500")})), "00:00:01,500");
    uint64_t empty = kernel(vx::kCmdTextToByteSet, {argText("")});
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(takeBytes(empty), "");
    EXPECT_EQ(takeBytes(kernel(vx::kCmdTextToByteSet, {argText(nullptr)})), "");
}

TEST_F(TextCommands, ArgumentsAreNeverModifiedAndResultsAreFreshBlocks) {
    char subject[] = "a:b:c";
    uint64_t copy = kernel(vx::kCmdToText, {argText(subject)});
    EXPECT_NE(reinterpret_cast<char*>(copy), subject);
    EXPECT_EQ(takeText(copy), "a:b:c");
    takeText(kernel(vx::kCmdReplacePart, {argText(subject), argInt(2), argInt(1), argText("X")}));
    takeTextList(kernel(vx::kCmdSplitText, {argText(subject), argText(":")}));
    EXPECT_STREQ(subject, "a:b:c");
}

}  // namespace
