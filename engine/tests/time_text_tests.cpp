// Reading and writing time texts, and completing masked box texts.
#include <cstdint>
#include <random>
#include <string>

#include "engine/tests/engine_test_support.h"
#include "engine/time_text.h"

namespace {

using namespace std::string_literals;
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

// A masked box: fillMaskBlanks, then parseTimeText of its result.
int32_t parseMasked(const std::string& s) {
    prog::Text box = newText(s);
    prog::Text filled = engine::fillMaskBlanks(&box);
    const int32_t ms = engine::parseTimeText(filled);
    vxFree(filled);
    vxFree(box);
    return ms;
}

TEST_F(TimeTextTest, ParsesFieldsFromTheRightWithoutRangeOrSign) {
    const std::pair<std::string, int32_t> cases[] = {
        {"00:00:00,000", 0}, {"01:02:03,004", 3723004}, {"1:2:3,4", 3723004}, {"12,345", 12345},
        {"7", 7000}, {"5:07", 307000}, {"00:01:02,", 62000}, {"", 0},
        // The milliseconds field is a count; fields have no range limit.
        {"00:00:01,5", 1005}, {"00:75:00,000", 4500000}, {"0:0:90,1234", 91234},
        {"596:31:23,647", INT32_MAX}, {"596:31:23,648", INT32_MIN}, {"999:00:00,000", -698567296},
        // Blanks vanish, the sign belongs to the hours field alone.
        {" 00:00:05,000 ", 5000}, {"0 0 : 0 0 : 0 5 , 0 0 0", 5000}, {"-00:00:01,500", 1500},
        {"-01:00:01,500", -3598500},
        // The last comma is taken; fields past the fourth are dropped.
        {"1:2:3:4,5", 3723004}, {"00:00:02,000 X1:100", 2000}, {"1,2,3", 1003},
        {"00:00:01,000 --> 00:00:02,000", 1000}, {"00:00:07\0,999"s, 7000},
        // Behind a "." with no ":" after it: a decimal fraction of a second,
        // its first three digits.
        {"00:01:47.250", 107250}, {"00:00:01.5", 1500}, {"00:00:01.25", 1250}, {"1.250", 1250},
        {"00:01.800", 1800}, {".5", 500}, {"0:0:1.05", 1050}, {"00:00:01.2509", 1250}, {"00:00:01.", 1000},
        {"00:00:01.5x", 1500}, {" 0 0:00:01 . 5 ", 1500}, {"596:31:23.647", INT32_MAX},
        // A "," wins over any "."; a "." followed by ":" is no separator; a
        // fraction past the fourth field is dropped.
        {"00:00:01.5,25", 1025}, {"1,5.5", 1005}, {"1.5:30", 90000}, {"1:2:3:4.5", 3723004}};
    for (const auto& [text, ms] : cases) EXPECT_EQ(parse(text), ms) << "'" << text << "'";
    EXPECT_EQ(engine::parseTimeText(nullptr), 0);
}

TEST_F(TimeTextTest, MaskedBoxesAreFilledInPlaceAndRead) {
    prog::Text box = newText("12:34:56,7  ");
    prog::Text filled = engine::fillMaskBlanks(&box);
    EXPECT_EQ(textOf(filled), "12:34:56,700");
    EXPECT_EQ(textOf(box), "12:34:56,700") << "the caller's text is filled too";
    EXPECT_NE(filled, box);
    vxFree(filled);
    vxFree(box);
    prog::Text none = nullptr;
    filled = engine::fillMaskBlanks(&none);
    EXPECT_EQ(textOf(filled), "");
    vxFree(filled);

    EXPECT_EQ(parseMasked("  :  :  ,   "), 0);
    EXPECT_EQ(parseMasked("12:34:56,7  "), 45296700);
    EXPECT_EQ(parseMasked("00:00:01,5  "), 1500);  // typed into a box: 500 ms, not 5
    EXPECT_EQ(parseMasked("- 00:10:00,000"), 600000);   // "-000:10:00,000": the sign stays in the hours
}

TEST_F(TimeTextTest, FormatsFieldsWithTheirWidthsAndSign) {
    const std::pair<int32_t, std::string> cases[] = {
        {0, "00:00:00,000"}, {45, "00:00:00,045"}, {999, "00:00:00,999"}, {1000, "00:00:01,000"},
        {59999, "00:00:59,999"}, {3723004, "01:02:03,004"}, {36000000, "10:00:00,000"},
        {360000000, "100:00:00,000"}, {INT32_MAX, "596:31:23,647"}, {-1, "-00:00:00,001"},
        {-1500, "-00:00:01,500"}, {-3723004, "-01:02:03,004"}, {INT32_MIN, "-596:31:23,648"}};
    for (const auto& [ms, text] : cases) EXPECT_EQ(format(ms), text) << ms;
    // The sign stays with the hours field: a negative value does not come back.
    EXPECT_EQ(parse(format(-1500)), 1500);
}

TEST_F(TimeTextTest, FormatThenParseGivesBackEveryNonNegativeValue) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int32_t> any(0, INT32_MAX);
    std::vector<int32_t> values = {0, 1, 999, 1000, 59999, 60000, 3599999, 3600000, 359999999, INT32_MAX};
    for (int i = 0; i < 100000; ++i) values.push_back(any(random));
    int failures = 0;
    for (int32_t ms : values) {
        if (parse(format(ms)) != ms && ++failures <= 5) ADD_FAILURE() << ms << " -> " << format(ms);
    }
    EXPECT_EQ(failures, 0);
}

// The direct reading of plain texts must give what the stepwise one gives.
TEST_F(TimeTextTest, DirectReadingAgreesWithTheStepwiseReading) {
    std::mt19937 random(99);
    const std::string plain = "0123456789:,. ", other = "0123456789:, -+.aX\t";
    std::uniform_int_distribution<size_t> length(0, 24);
    int failures = 0;
    for (int i = 0; i < 60000; ++i) {
        const std::string& alphabet = i % 4 == 3 ? other : plain;
        std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
        std::string s(length(random), ' ');
        for (char& c : s) c = alphabet[pick(random)];
        if (i % 50 == 0) s += std::string(i % 13, '9');  // long digit runs
        prog::Text t = newText(s);
        prog::ByteSet b = enginetest::newBytes("x" + s + "y");
        const int32_t direct = engine::parseTimeText(t), stepwise = engine::parseTimeTextStepwise(t);
        const int32_t fromBytes = engine::parseTimeBytes(b, 2, static_cast<int32_t>(s.size()));
        vxFree(b);
        vxFree(t);
        if ((direct != stepwise || fromBytes != stepwise) && ++failures <= 5) {
            ADD_FAILURE() << "'" << s << "': direct " << direct << ", bytes " << fromBytes << ", stepwise " << stepwise;
        }
    }
    EXPECT_EQ(failures, 0);

    prog::ByteSet b = enginetest::newBytes("00:00:03,250\0,999 00:00:04"s);
    EXPECT_EQ(engine::parseTimeBytes(b, 1, 26), 3250);  // as text: up to the NUL
    EXPECT_EQ(engine::parseTimeBytes(b, 19, 8), 4000);
    EXPECT_EQ(engine::parseTimeBytes(b, 19, 100), 4000);
    vxFree(b);
}

TEST_F(TimeTextTest, ShiftTextCarriesItsOwnSign) {
    const std::pair<const char*, int32_t> cases[] = {
        {"- 01:30:00,000", -5400000}, {"-01:30:00,000", -5400000}, {"+ 00:10:00,000", 600000},
        {"+   :  :  ,   ", 0},        {"- 00:00:01,5  ", -1500},    {"", 0},
        {nullptr, 0},                 {"-596:31:23,648", INT32_MIN}};
    for (const auto& [text, ms] : cases) EXPECT_EQ(engine::parseShiftText(text), ms) << (text ? text : "null");
}

}  // namespace
