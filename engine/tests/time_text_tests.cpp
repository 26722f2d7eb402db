// Reading and writing time texts, and completing masked box texts.
#include <cstdint>
#include <random>
#include <string>

#include "engine/tests/engine_test_support.h"
#include "engine/time_text.h"

namespace {

using enginetest::EngineTest;
using enginetest::format;
using enginetest::newText;
using enginetest::textOf;

class TimeTextTest : public EngineTest {};

int32_t parse(const std::string& s) {
    prog::Text t = newText(s);
    const int32_t ms = engine::parseTimeText(t);
    vxFree(t);
    return ms;
}

// Masked box text through fillMaskBlanks, then parseTimeText.
int32_t parseMasked(const std::string& s) {
    prog::Text box = newText(s);
    prog::Text filled = engine::fillMaskBlanks(&box);
    const int32_t ms = engine::parseTimeText(filled);
    vxFree(filled);
    vxFree(box);
    return ms;
}

TEST_F(TimeTextTest, ParsesFieldsFromTheRight) {
    EXPECT_EQ(parse("00:00:00,000"), 0);
    EXPECT_EQ(parse("01:02:03,004"), 3723004);
    EXPECT_EQ(parse("1:2:3,4"), 3723004);
    EXPECT_EQ(parse("12,345"), 12345);
    EXPECT_EQ(parse("7"), 7000);
    EXPECT_EQ(parse("5:07"), 307000);
    EXPECT_EQ(parse("00:01:02,"), 62000);
    EXPECT_EQ(parse(""), 0);
    EXPECT_EQ(engine::parseTimeText(nullptr), 0);
}

TEST_F(TimeTextTest, FieldsHaveNoRangeLimitAndMillisecondsAreACount) {
    EXPECT_EQ(parse("00:00:01,5"), 1005);
    EXPECT_EQ(parse("00:75:00,000"), 4500000);
    EXPECT_EQ(parse("0:0:90,1234"), 91234);
    EXPECT_EQ(parse("596:31:23,647"), 2147483647);
    // Beyond the 32-bit range the low 32 bits stay.
    EXPECT_EQ(parse("999:00:00,000"), -698567296);
    EXPECT_EQ(parse("596:31:23,648"), INT32_MIN);
}

TEST_F(TimeTextTest, BlanksSignsAndExtraFields) {
    EXPECT_EQ(parse(" 00:00:05,000 "), 5000);
    EXPECT_EQ(parse("0 0 : 0 0 : 0 5 , 0 0 0"), 5000);
    // The sign belongs to the hours field only.
    EXPECT_EQ(parse("-00:00:01,500"), 1500);
    EXPECT_EQ(parse("-01:00:01,500"), -3600000 + 1500);
    // Fields past the fourth are dropped; the last comma is the one taken.
    EXPECT_EQ(parse("1:2:3:4,5"), 3723004);
    EXPECT_EQ(parse("00:00:02,000 X1:100"), 2000);
    EXPECT_EQ(parse("1,2,3"), 1003);  // seconds "1,2" read as 1, then 3 ms
    EXPECT_EQ(parse("00:00:01,000 --> 00:00:02,000"), 1000);
}

TEST_F(TimeTextTest, TextStopsAtItsNul) {
    const std::string withNul("00:00:07\0,999", 13);
    prog::Text t = newText(withNul);
    EXPECT_EQ(engine::parseTimeText(t), 7000);
    vxFree(t);
}

TEST_F(TimeTextTest, FillMaskBlanksFillsTheCallersTextToo) {
    prog::Text box = newText("12:34:56,7  ");
    prog::Text filled = engine::fillMaskBlanks(&box);
    EXPECT_EQ(textOf(filled), "12:34:56,700");
    EXPECT_EQ(textOf(box), "12:34:56,700");
    EXPECT_NE(filled, box) << "the result is a block of its own";
    vxFree(filled);
    vxFree(box);

    prog::Text shift = newText("- 00:10:00,000");
    filled = engine::fillMaskBlanks(&shift);
    EXPECT_EQ(textOf(filled), "-000:10:00,000");
    vxFree(filled);
    vxFree(shift);

    prog::Text none = nullptr;
    filled = engine::fillMaskBlanks(&none);
    EXPECT_EQ(textOf(filled), "");
    EXPECT_EQ(none, nullptr);
    vxFree(filled);
}

TEST_F(TimeTextTest, MaskedBoxesReadAsTheUserMeantThem) {
    EXPECT_EQ(parseMasked("  :  :  ,   "), 0);
    EXPECT_EQ(parseMasked("12:34:56,7  "), 45296700);
    EXPECT_EQ(parseMasked("00:00:01,5  "), 1500);  // typed into a box: 500 ms, not 5
}

TEST_F(TimeTextTest, FormatsFieldsWithTheirWidths) {
    EXPECT_EQ(format(0), "00:00:00,000");
    EXPECT_EQ(format(45), "00:00:00,045");
    EXPECT_EQ(format(999), "00:00:00,999");
    EXPECT_EQ(format(1000), "00:00:01,000");
    EXPECT_EQ(format(59999), "00:00:59,999");
    EXPECT_EQ(format(3723004), "01:02:03,004");
    EXPECT_EQ(format(36000000), "10:00:00,000");
    EXPECT_EQ(format(360000000), "100:00:00,000");
    EXPECT_EQ(format(INT32_MAX), "596:31:23,647");
}

TEST_F(TimeTextTest, FormatsNegativeValuesWithALeadingMinus) {
    EXPECT_EQ(format(-1), "-00:00:00,001");
    EXPECT_EQ(format(-1500), "-00:00:01,500");
    EXPECT_EQ(format(-3723004), "-01:02:03,004");
    EXPECT_EQ(format(INT32_MIN + 1), "-596:31:23,647");
    EXPECT_EQ(format(INT32_MIN), "-596:31:23,648");
    // The sign stays with the hours field: a negative value does not come back.
    EXPECT_EQ(parse(format(-1500)), 1500);
}

TEST_F(TimeTextTest, FormatThenParseGivesBackEveryNonNegativeValue) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int32_t> any(0, INT32_MAX);
    std::vector<int32_t> values = {0, 1, 9, 10, 99, 100, 999, 1000, 59999, 60000, 3599999, 3600000,
                                   35999999, 36000000, 359999999, 360000000, INT32_MAX - 1, INT32_MAX};
    for (int i = 0; i < 100000; ++i) values.push_back(any(random));
    int failures = 0;
    for (int32_t ms : values) {
        const std::string text = format(ms);
        if (parse(text) != ms && ++failures <= 5) ADD_FAILURE() << ms << " -> " << text;
    }
    EXPECT_EQ(failures, 0);
}

TEST_F(TimeTextTest, DirectReadingAgreesWithTheStepwiseReading) {
    std::mt19937 random(99);
    const std::string plain = "0123456789:, ";
    const std::string other = "0123456789:, -+.aX\t";
    std::uniform_int_distribution<size_t> length(0, 24);
    int failures = 0;
    for (int i = 0; i < 60000; ++i) {
        const std::string& alphabet = i % 4 == 3 ? other : plain;
        std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
        std::string s(length(random), ' ');
        for (char& c : s) c = alphabet[pick(random)];
        if (i % 50 == 0) s += std::string(i % 13, '9');  // long digit runs
        prog::Text t = newText(s);
        const int32_t direct = engine::parseTimeText(t);
        const int32_t stepwise = engine::parseTimeTextStepwise(t);
        prog::ByteSet b = enginetest::newBytes("x" + s + "y");
        const int32_t fromBytes = engine::parseTimeBytes(b, 2, static_cast<int32_t>(s.size()));
        vxFree(b);
        vxFree(t);
        if ((direct != stepwise || fromBytes != stepwise) && ++failures <= 5) {
            ADD_FAILURE() << "'" << s << "': direct " << direct << ", bytes " << fromBytes << ", stepwise "
                          << stepwise;
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST_F(TimeTextTest, BytesAreReadAsTextUpToANul) {
    using namespace std::string_literals;
    prog::ByteSet b = enginetest::newBytes("00:00:03,250\0,999 00:00:04"s);
    EXPECT_EQ(engine::parseTimeBytes(b, 1, 26), 3250);
    EXPECT_EQ(engine::parseTimeBytes(b, 1, 8), 3000);
    EXPECT_EQ(engine::parseTimeBytes(b, 1, 0), 0);
    EXPECT_EQ(engine::parseTimeBytes(b, 19, 8), 4000);
    EXPECT_EQ(engine::parseTimeBytes(b, 19, 100), 4000);  // the range ends with the bytes
    vxFree(b);
}

TEST_F(TimeTextTest, ShiftTextCarriesItsOwnSign) {
    EXPECT_EQ(engine::parseShiftText("- 01:30:00,000"), -5400000);
    EXPECT_EQ(engine::parseShiftText("-01:30:00,000"), -5400000);
    EXPECT_EQ(engine::parseShiftText("+ 00:10:00,000"), 600000);
    EXPECT_EQ(engine::parseShiftText("+   :  :  ,   "), 0);
    EXPECT_EQ(engine::parseShiftText("00:00:01,5  "), 1500);
    EXPECT_EQ(engine::parseShiftText("- 00:00:01,5  "), -1500);
    EXPECT_EQ(engine::parseShiftText(""), 0);
    EXPECT_EQ(engine::parseShiftText(nullptr), 0);
    // Negating the lowest value keeps its low 32 bits.
    EXPECT_EQ(engine::parseShiftText("-596:31:23,648"), INT32_MIN);
}

}  // namespace
