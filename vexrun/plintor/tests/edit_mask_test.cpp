// The edit mask and the text it holds: blanks read as spaces and show the
// display character, literals stay, setting fills left to right, typing goes
// through the mask.
#include <gtest/gtest.h>

#include "vexrun/plintor/edit_mask.h"

namespace plintor {
namespace {

MaskedText textFor(const char* mask) {
    std::string error;
    auto m = EditMask::parse(mask, error);
    EXPECT_TRUE(m.has_value()) << error;
    return MaskedText(*m);
}

constexpr const char* kTime = "00:00:00,000;1;0";
constexpr const char* kSigned = "# 00:00:00,000;1;0";

TEST(EditMask, ParsesTheThreeFields) {
    std::string error;
    auto m = EditMask::parse(kSigned, error);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->size(), 14u);
    EXPECT_EQ(m->slot(0), EditMask::Slot::Sign);
    EXPECT_EQ(EditMask::parse("#00", error)->slot(0), EditMask::Slot::DigitOrSign);
    EXPECT_EQ(m->slot(1), EditMask::Slot::Literal);
    EXPECT_EQ(m->literal(1), ' ');
    EXPECT_EQ(m->slot(2), EditMask::Slot::Digit);
    EXPECT_EQ(m->literal(4), ':');
    EXPECT_TRUE(m->literalsInText());
    EXPECT_EQ(m->displayChar(), '0');

    auto noLiterals = EditMask::parse("00:00;0;_", error);
    ASSERT_TRUE(noLiterals);
    EXPECT_FALSE(noLiterals->literalsInText());
    EXPECT_EQ(noLiterals->displayChar(), '_');
}

TEST(EditMask, RejectsMasksItCannotUse) {
    std::string error;
    EXPECT_FALSE(EditMask::parse("", error));
    EXPECT_NE(error.find("no positions"), std::string::npos);
    EXPECT_FALSE(EditMask::parse("00:00;x;0", error));
    EXPECT_NE(error.find("00:00;x;0"), std::string::npos);
}

TEST(MaskedText, BlankReadsAsSpacesAndShowsTheDisplayCharacter) {
    MaskedText t = textFor(kTime);
    EXPECT_EQ(t.read(), "  :  :  ,   ");
    EXPECT_EQ(t.display(), "00:00:00,000");
    MaskedText s = textFor(kSigned);
    EXPECT_EQ(s.read(), "    :  :  ,   ");
    EXPECT_EQ(s.read().size(), 14u);
    EXPECT_EQ(s.display(), "0 00:00:00,000");
}

TEST(MaskedText, SettingFillsPositionsLeftToRight) {
    MaskedText t = textFor(kTime);
    t.set("00:00:00,000");
    EXPECT_EQ(t.read(), "00:00:00,000");
    t.set("12:34");
    EXPECT_EQ(t.read(), "12:34:  ,   ");
    EXPECT_EQ(t.display(), "12:34:00,000");
    // A character that does not fit its position leaves it blank; literals
    // stay whatever stands in their place.
    t.set("1x;45-67.890");
    EXPECT_EQ(t.read(), "1 :45:67,890");
    // The blank text a handler read comes back unchanged.
    t.set("  :  :  ,   ");
    EXPECT_EQ(t.read(), "  :  :  ,   ");
    // Longer texts: the rest is ignored; the read is always mask-length.
    t.set("01:02:03,456 --> 01:02:04,000");
    EXPECT_EQ(t.read(), "01:02:03,456");
    t.set("");
    EXPECT_EQ(t.read(), "  :  :  ,   ");
}

TEST(MaskedText, ATextThatReadsAsATimeIsPlacedFieldByField) {
    MaskedText t = textFor(kTime);
    const std::pair<const char*, const char*> cases[] = {
        {" 00:40:12,700", "00:40:12,700"},   // blanks around dropped
        {"00:40:12,700\t \r", "00:40:12,700"},
        {"1:02:03,400", "01:02:03,400"},     // right-aligned in their fields
        {"41:17,500", "00:41:17,500"},       // fields from the right
        {",5", "00:00:00,500"},              // milliseconds are a fraction
        {"3,45", "00:00:03,450"},
        {"1:2:3.4", "01:02:03,400"},         // "." for ","
        {"00:01:02,", "00:01:02,000"},
        {"1:02:03", "01:02:03,000"},         // all whole fields, no fraction
        {"12:34:56,7890123", "12:34:56,789"},
    };
    for (auto [in, out] : cases) {
        t.set("99:99:99,999");
        t.set(in);
        EXPECT_EQ(t.read(), out) << in;
    }
    // Not a time for this box: fill as typed.
    for (const char* in : {"123:00:00,000", "-00:00:01,500", "1:2:3:4,5", "1 2:03:04,5", ",", "12:34", ":1,5"}) {
        MaskedText byMask = textFor(kTime);
        EXPECT_FALSE(byMask.placeTime(in)) << in;
    }
    MaskedText s = textFor(kSigned);
    s.set("-1:30:00,5");
    EXPECT_EQ(s.read(), "- 01:30:00,500");
    s.set(" + 0:10,25 ");
    EXPECT_EQ(s.read(), "+ 00:00:10,250");
    s.set("00:40:12,700");
    EXPECT_EQ(s.read(), "  00:40:12,700");
    // Typing "." steps over the "," as well.
    auto at = t.type(8, '.');
    EXPECT_EQ(at, 9u);
}

TEST(MaskedText, SignPositionTakesOnlyASign) {
    MaskedText s = textFor(kSigned);
    s.set("+");
    EXPECT_EQ(s.read(), "+   :  :  ,   ");
    EXPECT_EQ(s.display(), "+ 00:00:00,000");
    // What the sign toggle writes back: the read text with a new first char.
    std::string r = s.read();
    r[0] = '-';
    s.set(r);
    EXPECT_EQ(s.read(), "-   :  :  ,   ");
    // A digit never stands in the sign position: typed or set there, it
    // goes to the first digit position.
    s.blank(0, s.mask().size());
    size_t cursor = 0;
    for (char c : std::string("00:00:05,000")) cursor = s.type(cursor, c).value_or(cursor);
    EXPECT_EQ(s.read(), "  00:00:05,000");
    s.set("+");
    EXPECT_EQ(s.type(0, '7'), 3u);
    EXPECT_EQ(s.read(), "+ 7 :  :  ,   ");
    EXPECT_EQ(s.type(0, '-'), 1u);
    EXPECT_EQ(s.read(), "- 7 :  :  ,   ");
    s.set("5");
    EXPECT_EQ(s.read(), "  5 :  :  ,   ");
    s.set("x");
    EXPECT_EQ(s.read(), "    :  :  ,   ");
    // A pasted signed time that leaves out the literal blank after the sign
    // still lands digit for digit.
    s.set("-01:30:00,000");
    EXPECT_EQ(s.read(), "- 01:30:00,000");
    s.set("+00:10:00,000");
    EXPECT_EQ(s.read(), "+ 00:10:00,000");
}

TEST(MaskedText, TypingOverwritesAndStepsOverLiterals) {
    MaskedText t = textFor(kTime);
    size_t cursor = 0;
    for (char c : std::string("0001")) {
        auto next = t.type(cursor, c);
        ASSERT_TRUE(next);
        cursor = *next;
    }
    EXPECT_EQ(t.read(), "00:01:  ,   ");
    // Typing the literal itself steps over it; a digit skips it.
    auto next = t.type(cursor, ':');
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, 6u);
    next = t.type(3, '9');  // overwrite
    ASSERT_TRUE(next);
    EXPECT_EQ(t.read(), "00:91:  ,   ");
    // A non-digit in a digit position is rejected and changes nothing.
    EXPECT_FALSE(t.type(6, 'a'));
    EXPECT_FALSE(t.type(6, '+'));
    EXPECT_FALSE(t.type(6, ' '));
    EXPECT_EQ(t.read(), "00:91:  ,   ");
    // Past the last position nothing fits.
    EXPECT_FALSE(t.type(12, '1'));
}

TEST(MaskedText, TypingAWholeTimeWithItsLiterals) {
    MaskedText t = textFor(kTime);
    size_t cursor = 0;
    for (char c : std::string("01:02:03,456")) {
        auto next = t.type(cursor, c);
        ASSERT_TRUE(next) << c;
        cursor = *next;
    }
    EXPECT_EQ(t.read(), "01:02:03,456");
}

TEST(MaskedText, BackspaceAndDeleteBlankPositions) {
    MaskedText t = textFor(kTime);
    t.set("12:34:56,789");
    // Backspace after the ':' blanks the digit before it.
    size_t c = t.backspace(3);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(t.read(), "1 :34:56,789");
    c = t.backspace(12);
    EXPECT_EQ(c, 11u);
    EXPECT_EQ(t.read(), "1 :34:56,78 ");
    EXPECT_EQ(t.backspace(0), 0u);
    c = t.deleteAt(5);  // on a literal: the next editable position
    EXPECT_EQ(c, 5u);
    EXPECT_EQ(t.read(), "1 :34: 6,78 ");
    t.blank(0, 12);
    EXPECT_EQ(t.read(), "  :  :  ,   ");
}

TEST(MaskedText, WithoutLiteralsInTheText) {
    MaskedText t = textFor("00:00;0;_");
    t.set("1234");
    EXPECT_EQ(t.read(), "1234");
    EXPECT_EQ(t.display(), "12:34");
    t.set("12");
    EXPECT_EQ(t.read(), "12  ");
    EXPECT_EQ(t.display(), "12:__");
}

}  // namespace
}  // namespace plintor
