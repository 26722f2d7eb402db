#include "vexrun/plintor/edit_mask.h"

#include <algorithm>
#include <cstdint>

namespace plintor {

std::optional<EditMask> EditMask::parse(std::string_view maskText, std::string& error) {
    std::string_view fields[3];
    size_t count = 0;
    size_t start = 0;
    while (count < 3) {
        size_t semi = maskText.find(';', start);
        // Only the last field may hold further ';' (as the display character).
        if (count == 2 || semi == std::string_view::npos) {
            fields[count++] = maskText.substr(start);
            break;
        }
        fields[count++] = maskText.substr(start, semi - start);
        start = semi + 1;
    }
    EditMask m;
    if (fields[0].empty()) {
        error = "edit mask \"" + std::string(maskText) + "\" has no positions";
        return std::nullopt;
    }
    for (char c : fields[0]) {
        if (c == '0') {
            m.slots_.push_back(Slot::Digit);
            m.literals_.push_back('\0');
        } else if (c == '#') {
            m.slots_.push_back(Slot::DigitOrSign);
            m.literals_.push_back('\0');
        } else {
            m.slots_.push_back(Slot::Literal);
            m.literals_.push_back(c);
        }
    }
    // A "#" alone in front of the first literal is the sign position.
    if (m.slots_.size() > 1 && m.slots_[0] == Slot::DigitOrSign && m.slots_[1] == Slot::Literal) {
        m.slots_[0] = Slot::Sign;
    }
    if (count > 1 && !fields[1].empty()) {
        if (fields[1] != "0" && fields[1] != "1") {
            error = "edit mask \"" + std::string(maskText) + "\": the second field must be 0 or 1";
            return std::nullopt;
        }
        m.literalsInText_ = fields[1] == "1";
    }
    if (count > 2 && !fields[2].empty()) m.displayChar_ = fields[2][0];
    return m;
}

bool EditMask::fits(size_t i, char c) const {
    switch (slots_[i]) {
        case Slot::Digit: return c >= '0' && c <= '9';
        case Slot::DigitOrSign: return (c >= '0' && c <= '9') || c == '+' || c == '-';
        case Slot::Sign: return c == '+' || c == '-';
        case Slot::Literal: return false;
    }
    return false;
}

MaskedText::MaskedText(EditMask mask) : mask_(std::move(mask)), chars_(mask_.size(), kBlank) {}

std::string MaskedText::read() const {
    std::string out;
    out.reserve(chars_.size());
    for (size_t i = 0; i < chars_.size(); ++i) {
        if (mask_.slot(i) == EditMask::Slot::Literal) {
            if (mask_.literalsInText()) out.push_back(mask_.literal(i));
        } else {
            out.push_back(chars_[i] == kBlank ? ' ' : chars_[i]);
        }
    }
    return out;
}

std::string MaskedText::display() const {
    std::string out;
    out.reserve(chars_.size());
    for (size_t i = 0; i < chars_.size(); ++i) {
        if (mask_.slot(i) == EditMask::Slot::Literal) {
            out.push_back(mask_.literal(i));
        } else {
            out.push_back(chars_[i] == kBlank ? mask_.displayChar() : chars_[i]);
        }
    }
    return out;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The shape of a time mask: an optional sign position (and the literals after
// it), then runs of digit positions parted by one literal each, ":" between
// the whole fields and "," or "." before the fraction.
struct TimeShape {
    size_t signAt = SIZE_MAX;
    struct Run {
        size_t start, width;
    };
    std::vector<Run> runs;  // the whole fields, then the fraction
};

std::optional<TimeShape> timeShapeOf(const EditMask& mask) {
    TimeShape shape;
    size_t i = 0;
    if (i < mask.size() && mask.slot(i) == EditMask::Slot::Sign) shape.signAt = i++;
    while (i < mask.size() && mask.slot(i) == EditMask::Slot::Literal && shape.signAt != SIZE_MAX) ++i;
    while (i < mask.size()) {
        if (mask.slot(i) != EditMask::Slot::Digit) return std::nullopt;
        const size_t start = i;
        while (i < mask.size() && mask.slot(i) == EditMask::Slot::Digit) ++i;
        shape.runs.push_back({start, i - start});
        if (i == mask.size()) break;
        // One literal between runs, and a run after it.
        if (mask.slot(i) != EditMask::Slot::Literal || i + 1 >= mask.size()) return std::nullopt;
        ++i;
    }
    if (shape.runs.size() < 2) return std::nullopt;
    for (size_t r = 1; r < shape.runs.size(); ++r) {
        const char separator = mask.literal(shape.runs[r].start - 1);
        const bool fraction = r + 1 == shape.runs.size();
        if (fraction ? (separator != ',' && separator != '.') : separator != ':') return std::nullopt;
    }
    return shape;
}

}  // namespace

bool MaskedText::placeTime(std::string_view text) {
    auto shape = timeShapeOf(mask_);
    if (!shape) return false;
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

    char sign = kBlank;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        if (shape->signAt == SIZE_MAX) return false;
        sign = text.front();
        text.remove_prefix(1);
        while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    }

    // The whole fields up to the last "," or ".", then the fraction.
    const size_t wholeRuns = shape->runs.size() - 1;
    const size_t separator = text.find_last_of(",.");
    const std::string_view whole = text.substr(0, separator);
    const std::string_view fraction = separator == std::string_view::npos ? std::string_view() : text.substr(separator + 1);
    std::vector<std::string_view> fields;
    if (!whole.empty()) {
        size_t start = 0;
        while (true) {
            const size_t colon = whole.find(':', start);
            fields.push_back(whole.substr(start, colon == std::string_view::npos ? colon : colon - start));
            if (colon == std::string_view::npos) break;
            start = colon + 1;
        }
    }
    if (fields.size() > wholeRuns) return false;
    if (separator == std::string_view::npos && fields.size() != wholeRuns) return false;
    bool anyDigit = false;
    for (size_t f = 0; f < fields.size(); ++f) {
        const std::string_view field = fields[f];
        const size_t width = shape->runs[wholeRuns - fields.size() + f].width;
        if (field.empty() || field.size() > width) return false;
        for (char c : field) {
            if (!isDigit(c)) return false;
        }
        anyDigit = true;
    }
    for (char c : fraction) {
        if (!isDigit(c)) return false;
        anyDigit = true;
    }
    if (!anyDigit) return false;

    std::fill(chars_.begin(), chars_.end(), kBlank);
    if (shape->signAt != SIZE_MAX) chars_[shape->signAt] = sign;
    for (size_t r = 0; r < wholeRuns; ++r) {
        const TimeShape::Run run = shape->runs[r];
        const size_t missing = wholeRuns - fields.size();
        const std::string_view field = r < missing ? std::string_view() : fields[r - missing];
        for (size_t k = 0; k < run.width; ++k) {
            const size_t from = k + field.size();  // right-aligned, zeros in front
            chars_[run.start + k] = from < run.width ? '0' : field[from - run.width];
        }
    }
    const TimeShape::Run last = shape->runs.back();
    for (size_t k = 0; k < last.width; ++k) chars_[last.start + k] = k < fraction.size() ? fraction[k] : '0';
    return true;
}

void MaskedText::set(std::string_view text) {
    if (placeTime(text)) return;
    size_t next = 0;  // the character of `text` for the next position
    for (size_t i = 0; i < chars_.size(); ++i) {
        const bool literal = mask_.slot(i) == EditMask::Slot::Literal;
        if (literal) {
            chars_[i] = kBlank;
            // The text's character here stands for the literal, unless the
            // text leaves the literal out ("-01:30:00,000" for the mask
            // "# 00:00:00,000"): a character other than the literal that fits
            // the next editable position is kept for it, as a paste would.
            if (mask_.literalsInText() && next < text.size()) {
                const char c = text[next];
                size_t j = i + 1;
                while (j < chars_.size() && mask_.slot(j) == EditMask::Slot::Literal) ++j;
                const bool leftOut = c != mask_.literal(i) && j < chars_.size() && mask_.fits(j, c);
                if (!leftOut) ++next;
            } else if (mask_.literalsInText()) {
                ++next;
            }
            continue;
        }
        char c = next < text.size() ? text[next] : ' ';
        if (mask_.slot(i) == EditMask::Slot::Sign && isDigit(c)) {
            chars_[i] = kBlank;  // the digit is kept for the first digit position
            continue;
        }
        ++next;
        chars_[i] = mask_.fits(i, c) ? c : kBlank;
    }
}

std::optional<size_t> MaskedText::type(size_t cursor, char c) {
    size_t pos = cursor;
    if (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Literal &&
        (mask_.literal(pos) == c || (mask_.literal(pos) == ',' && c == '.'))) {
        return pos + 1;  // typing the literal itself (or "." for ",") steps over it
    }
    while (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Literal) ++pos;
    if (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Sign && isDigit(c)) {
        // A digit typed into the sign position goes to the first digit position.
        ++pos;
        while (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Literal) ++pos;
    }
    if (pos >= chars_.size() || !mask_.fits(pos, c)) return std::nullopt;
    chars_[pos] = c;
    return pos + 1;
}

size_t MaskedText::backspace(size_t cursor) {
    size_t pos = cursor > chars_.size() ? chars_.size() : cursor;
    while (pos > 0) {
        --pos;
        if (mask_.slot(pos) != EditMask::Slot::Literal) {
            chars_[pos] = kBlank;
            return pos;
        }
    }
    return cursor > chars_.size() ? chars_.size() : cursor;
}

size_t MaskedText::deleteAt(size_t cursor) {
    size_t pos = cursor;
    while (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Literal) ++pos;
    if (pos < chars_.size()) chars_[pos] = kBlank;
    return cursor;
}

size_t MaskedText::removeNext(size_t cursor) {
    size_t pos = cursor;
    while (pos < chars_.size() && mask_.slot(pos) == EditMask::Slot::Literal) ++pos;
    if (pos >= chars_.size()) return cursor > chars_.size() ? chars_.size() : cursor;
    deleteAt(pos);
    return pos + 1;
}

void MaskedText::blank(size_t from, size_t to) {
    for (size_t i = from; i < to && i < chars_.size(); ++i) {
        if (mask_.slot(i) != EditMask::Slot::Literal) chars_[i] = kBlank;
    }
}

}  // namespace plintor
