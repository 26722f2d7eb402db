// The edit mask of a masked edit box and the text it holds, without any
// window code.
//
// A mask has three fields separated by ";": the mask proper (each "0" a
// required digit position, each "#" an optional digit or sign position, every
// other character a literal that stands in the text; a "#" that stands alone
// in front of the first literal, as in "# 00:00:00,000", is the sign position
// and takes only "+" or "-"), then "1" when the
// literals are part of the text a handler reads (or "0" when they are not),
// then the character shown in a position not yet filled.
//
// A position not yet filled reads back as a space and shows the display
// character. Setting a text that reads as a time in a time mask (fields of
// digits parted by ":" and a last "," or ".", optionally a sign position in
// front) places it field by field (see placeTime). Any other text fills the
// positions from the text's characters
// left to right, one character per position: a character that fits its
// position fills it, any other leaves it blank, and a literal position keeps
// its literal: the text's character there is stepped over, unless the text
// leaves the literal out (a character other than the literal that fits the
// next editable position is kept for that position). Typing goes like a user's keys: it
// overwrites at the cursor, steps over literals, and rejects a character that
// does not fit; a digit typed into the sign position goes to the first
// digit position behind it.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plintor {

class EditMask {
public:
    enum class Slot : uint8_t { Digit, DigitOrSign, Sign, Literal };

    // nullopt and a message in `error` for a mask it cannot use.
    static std::optional<EditMask> parse(std::string_view maskText, std::string& error);

    size_t size() const { return slots_.size(); }
    Slot slot(size_t i) const { return slots_[i]; }
    char literal(size_t i) const { return literals_[i]; }
    bool literalsInText() const { return literalsInText_; }
    char displayChar() const { return displayChar_; }
    bool fits(size_t i, char c) const;

private:
    std::vector<Slot> slots_;
    std::string literals_;  // the literal of each position ('\0' for an editable one)
    bool literalsInText_ = true;
    char displayChar_ = '_';
};

class MaskedText {
public:
    explicit MaskedText(EditMask mask);

    const EditMask& mask() const { return mask_; }

    // What a handler reads: mask-length bytes (editable positions only when
    // the literals are not part of the text).
    std::string read() const;
    // What the box shows: the display character in every unfilled position.
    std::string display() const;
    // Replaces the whole text: a time field by field, anything else filling
    // positions left to right.
    void set(std::string_view text);

    // Places a text that reads as a time, field by field, and returns true;
    // returns false and changes nothing for any other text or a mask that is
    // not a time mask. Blanks around the text are dropped; the fields are
    // taken from the right as the time parser takes them ("41:17,500" is
    // 00:41:17,500); hours, minutes and seconds are right-aligned in their
    // fields ("1:02:03,400" is 01:02:03,400); the part after the last ","
    // or "." is a fraction (",5" is 500). A leading "-" or "+" goes into the
    // mask's sign position. To read as a time a text needs that fraction part
    // or all of the whole fields: "12:34" and "7" could mean other fields
    // than the parser's and fill positions as typed.
    bool placeTime(std::string_view text);

    bool filled(size_t i) const { return chars_[i] != kBlank; }

    // Typing at `cursor` (0 to size()). Each returns the new cursor, or
    // nullopt when the key is rejected and nothing changed.
    std::optional<size_t> type(size_t cursor, char c);
    size_t backspace(size_t cursor);
    size_t deleteAt(size_t cursor);
    // The Delete key: blanks the editable position at or after `cursor` (as
    // deleteAt) and returns the cursor behind it, so that the next Delete
    // removes the next character, as in any text box.
    size_t removeNext(size_t cursor);
    // Blanks the editable positions in [from, to).
    void blank(size_t from, size_t to);

private:
    static constexpr char kBlank = '\0';
    EditMask mask_;
    std::string chars_;  // the filled character of each editable position, or kBlank
};

}  // namespace plintor
