// compareText, textLength, concatText, concatBytes, truncToInt and the
// variable stores, on kernel blocks and on texts at every alignment.
#include "runtime/text_support.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/const_table.h"
#include "runtime/tests/runtime_test_support.h"

namespace {

using runtime_test::ProgramTest;
using runtime_test::bytesString;
using runtime_test::newBytes;
using runtime_test::newText;

int sign(int v) { return (v > 0) - (v < 0); }

// A text copied to `offset` bytes past a 16-byte boundary, with bytes that
// are not NUL behind its end, so that a word step that looked past the NUL
// would see them.
class PlacedText {
public:
    PlacedText(const std::string& s, size_t offset, char fill = '\x7F') {
        std::memset(buffer_, fill, sizeof buffer_);
        std::memcpy(buffer_ + offset, s.c_str(), s.size() + 1);
        text_ = buffer_ + offset;
    }
    const char* get() const { return text_; }

private:
    alignas(16) char buffer_[64];
    const char* text_;
};

using TextSupport = ProgramTest;

TEST_F(TextSupport, CompareTextWithMissingAndEmptyTexts) {
    prog::Text empty = newText("");
    prog::Text a = newText("a");
    EXPECT_EQ(prog::compareText(nullptr, nullptr), 0);
    EXPECT_EQ(prog::compareText(nullptr, empty), 0);
    EXPECT_EQ(prog::compareText(nullptr, a), -1);
    EXPECT_EQ(prog::compareText(empty, nullptr), 0);
    EXPECT_EQ(prog::compareText(a, nullptr), 1);
    EXPECT_EQ(prog::compareText(empty, empty), 0);
    vxFree(empty);
    vxFree(a);
}

TEST_F(TextSupport, CompareTextOrdersUnsignedBytesAndLength) {
    prog::Text ab = newText("ab");
    prog::Text a = newText("a");
    prog::Text plus1 = newText("+");
    prog::Text plus2 = newText("+");
    prog::Text high = newText("\xB0\xA1");  // GBK lead byte 0xB0
    EXPECT_EQ(prog::compareText(ab, a), 1);
    EXPECT_EQ(prog::compareText(a, ab), -1);
    EXPECT_EQ(prog::compareText(plus1, plus2), 0);
    EXPECT_EQ(prog::compareText(high, a), 1);
    EXPECT_EQ(prog::compareText(a, high), -1);
    for (auto* t : {ab, a, plus1, plus2, high}) vxFree(t);
}

// Pairs that differ at every position of a word, by high and low bytes, or
// not at all, compared at all 16 combinations of alignments, against the C
// library's unsigned comparison.
TEST_F(TextSupport, CompareTextAtEveryAlignment) {
    const std::vector<std::string> texts = {
        "",          "a",          "ab",         "abc",        "abcd",       "abcde",     "abcdefgh",
        "abcdefghi", "abcdefgX",   "abcXefgh",   "Xbcd",       "abcd\xB0",   "abcd\x01",  "\x80\x80\x80\x80",
        "\x80\x80",  "\xFF\xFF\xFF", "\x01\x01\x01\x01\x01", "00:00:00,000", "00:00:00,001",
    };
    for (size_t offA = 0; offA < 4; ++offA) {
        for (size_t offB = 0; offB < 4; ++offB) {
            for (const auto& x : texts) {
                for (const auto& y : texts) {
                    PlacedText a(x, offA, 'P'), b(y, offB, 'Q');
                    int expected = sign(std::strcmp(x.c_str(), y.c_str()));
                    ASSERT_EQ(prog::compareText(a.get(), b.get()), expected)
                        << "'" << x << "'@" << offA << " vs '" << y << "'@" << offB;
                }
            }
        }
    }
}

TEST_F(TextSupport, CompareTextIgnoresBytesAfterTheNul) {
    for (size_t len = 0; len < 8; ++len) {
        std::string s(len, 'k');
        PlacedText a(s, 0, 'A'), b(s, 0, 'B');
        EXPECT_EQ(prog::compareText(a.get(), b.get()), 0) << "length " << len;
    }
}

TEST_F(TextSupport, TextLengthCountsBytes) {
    EXPECT_EQ(prog::textLength(nullptr), 0);
    prog::Text gbk = newText("\xC6\xBD\xD2\xC6");  // 平移 in GBK
    EXPECT_EQ(prog::textLength(gbk), 4);
    vxFree(gbk);
}

TEST_F(TextSupport, TextLengthAtEveryAlignment) {
    for (size_t offset = 0; offset < 4; ++offset) {
        PlacedText gbk("\xC6\xBD\xD2\xC6", offset);
        EXPECT_EQ(prog::textLength(gbk.get()), 4) << "offset " << offset;
        for (size_t len = 0; len < 24; ++len) {
            std::string s;
            for (size_t i = 0; i < len; ++i) s.push_back(static_cast<char>(i % 2 ? 0x80 + i : 0x01 + i));
            PlacedText t(s, offset);
            ASSERT_EQ(prog::textLength(t.get()), static_cast<int32_t>(len)) << "offset " << offset;
        }
    }
}

TEST_F(TextSupport, ConcatTextMakesOneNewBlock) {
    prog::Text e1 = newText(""), e2 = newText("");
    prog::Text both = prog::concatText(e1, e2);
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(vexrun::blockSize(both), 1u);
    EXPECT_EQ(both[0], '\0');

    prog::Text colon = newText(":"), digits = newText("05");
    prog::Text joined = prog::concatText(colon, digits);
    EXPECT_STREQ(joined, ":05");
    EXPECT_EQ(vexrun::blockSize(joined), 4u);
    EXPECT_STREQ(colon, ":");  // the parts stay as they were
    EXPECT_STREQ(digits, "05");

    prog::Text none = prog::concatText(static_cast<const char*>(nullptr));
    EXPECT_STREQ(none, "");

    prog::Text seven = prog::concatText("00", ":", nullptr, "01", ":", digits, ",500");
    EXPECT_STREQ(seven, "00:01:05,500");
    EXPECT_EQ(vexrun::blockSize(seven), 13u);

    for (auto* t : {e1, e2, both, colon, digits, joined, none, seven}) vxFree(t);
}

TEST_F(TextSupport, ConcatBytesGivesNoBlockForNothing) {
    prog::ByteSet empty = newBytes("");
    EXPECT_EQ(prog::concatBytes(empty, static_cast<prog::ByteSet>(nullptr)), nullptr);
    EXPECT_EQ(prog::concatBytes(static_cast<prog::ByteSet>(nullptr)), nullptr);
    EXPECT_EQ(prog::concatBytes(empty, empty, empty, empty, empty), nullptr);
    EXPECT_EQ(blocksSinceStart(), 1);
    vxFree(empty);
}

TEST_F(TextSupport, ConcatBytesJoinsInOrder) {
    const prog::ByteSetBlock* minus = prog::constBytes(image::kConstMinusBlock);
    prog::ByteSet time = newBytes("00:00:01,500");
    prog::ByteSet joined = prog::concatBytes(minus, time);
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->one, 1u);
    EXPECT_EQ(joined->count, 13u);
    EXPECT_EQ(bytesString(joined), "-00:00:01,500");
    EXPECT_EQ(vexrun::blockSize(joined), 8u + 13u);

    prog::ByteSet nul = newBytes(std::string_view("\0x", 2));
    prog::ByteSet five = prog::concatBytes(time, static_cast<prog::ByteSet>(nullptr), nul,
                                           prog::constBytes(image::kConstSpacedArrowBlock), time);
    EXPECT_EQ(bytesString(five), std::string("00:00:01,500") + std::string("\0x", 2) + " --> 00:00:01,500");
    for (auto* b : {time, joined, nul, five}) vxFree(b);
}

TEST_F(TextSupport, TruncToIntTowardZeroKeepingLow32Bits) {
    EXPECT_EQ(prog::truncToInt(2.9), 2);
    EXPECT_EQ(prog::truncToInt(-2.9), -2);
    EXPECT_EQ(prog::truncToInt(-0.5), 0);
    EXPECT_EQ(prog::truncToInt(3000000000.0), 3000000000LL);
    EXPECT_EQ(static_cast<int32_t>(prog::truncToInt(3000000000.0)), -1294967296);
    EXPECT_EQ(static_cast<int32_t>(prog::truncToInt(-2147483648.9)), INT32_MIN);
}

TEST_F(TextSupport, TruncToIntOfNanInfinityAndOutOfRange) {
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    for (double x : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e19, -1e19, 9.3e18}) {
        EXPECT_EQ(prog::truncToInt(x), lowest) << x;
        EXPECT_EQ(static_cast<int32_t>(prog::truncToInt(x)), 0) << x;
    }
}

TEST_F(TextSupport, TruncToIntTruncatesWhateverTheRoundingMode) {
    uint32_t saved;
    __asm__ volatile("stmxcsr %0" : "=m"(saved));
    for (uint32_t mode : {0x0000u, 0x2000u, 0x4000u, 0x6000u}) {
        uint32_t csr = (saved & ~0x6000u) | mode;
        __asm__ volatile("ldmxcsr %0" : : "m"(csr));
        volatile double up = 2.9, down = -2.9;
        EXPECT_EQ(prog::truncToInt(up), 2) << "mode " << mode;
        EXPECT_EQ(prog::truncToInt(down), -2) << "mode " << mode;
    }
    __asm__ volatile("ldmxcsr %0" : : "m"(saved));
}

TEST_F(TextSupport, StoringIntoAVariableFreesTheOldBlock) {
    prog::ProgramVariables* v = prog::vars();
    prog::storeBytes(&v->outputBytes, newBytes("first"));  // an unaligned variable
    prog::storeBytes(&v->outputBytes, newBytes("second"));
    EXPECT_EQ(blocksSinceStart(), 1);
    EXPECT_EQ(bytesString(v->outputBytes), "second");
    prog::storeBytes(&v->outputBytes, v->outputBytes);  // the same block stays
    EXPECT_EQ(bytesString(v->outputBytes), "second");
    prog::storeBytes(&v->outputBytes, nullptr);
    EXPECT_EQ(blocksSinceStart(), 0);

    prog::Text t = nullptr;
    prog::storeText(&t, newText("x"));
    prog::storeText(&t, newText("y"));
    EXPECT_STREQ(t, "y");
    EXPECT_EQ(blocksSinceStart(), 1);
    prog::storeText(&t, nullptr);
}

TEST_F(TextSupport, MissingValuesAreHandedOverAsTheEmptyConstants) {
    const char* e = prog::textOrEmpty(nullptr);
    EXPECT_EQ(e, prog::constText(image::kConstEmptyText));
    EXPECT_STREQ(e, "");
    const prog::ByteSetBlock* b = prog::bytesOrEmpty(nullptr);
    EXPECT_EQ(b, prog::constBytes(image::kConstEmptyBlock));
    EXPECT_EQ(b->one, 1u);
    EXPECT_EQ(b->count, 0u);
    const char* t = "x";
    EXPECT_EQ(prog::textOrEmpty(t), t);
}

}  // namespace
