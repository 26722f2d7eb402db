// Time values and their text form: reading a time text, writing a time value,
// completing the text of a masked time box.
#include "engine/time_text.h"

#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"

namespace engine {
namespace {

using prog::Text;

inline bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The separator of a decimal fraction of a second, as in "00:01:47.250".
constexpr uint8_t kDot = '.';

// Removes every blank of a text in place. Removing the first blank found from
// the start until none is left gives the same text; one pass keeps a long
// text with many blanks linear.
void removeBlanks(Text t) {
    const char blank = prog::constText(image::kConstSpace)[0];
    char* out = t;
    for (const char* in = t; *in; ++in) {
        if (*in != blank) *out++ = *in;
    }
    *out = 0;
}

// The number of ":" in a text, counting each hit once, left to right.
int32_t countColons(const char* t) {
    const char colon = prog::constText(image::kConstColon)[0];
    int32_t count = 0;
    for (const char* p = t; *p; ++p) count += (*p == colon);
    return count;
}

// The sum of the four fields, in doubles, left to right; its low 32 bits.
int32_t fieldSum(double hours, double minutes, double seconds, double millis) {
    const double sum = hours * prog::constDouble(image::kConstMsPerHour) +
                       minutes * prog::constDouble(image::kConstMsPerMinute) +
                       seconds * prog::constDouble(image::kConstMsPerSecond) + millis;
    return static_cast<int32_t>(prog::truncToInt(sum));
}

// The milliseconds of a decimal fraction of a second: the first three of
// `count` digits, short ones filled with zeros (".5" is 500, ".25" 250),
// later ones dropped (".2509" is 250).
int32_t fractionMillis(int32_t firstThree, int32_t count) {
    if (count >= 3) return firstThree;
    return count == 2 ? firstThree * 10 : count == 1 ? firstThree * 100 : 0;
}

// The direct reading of a plain time text: nothing but digits, ":", ",",
// "." and blanks, with no run of digits longer than 9 once the blanks are
// gone (so that no field nears the 32-bit range). It computes what the
// stepwise reading gives such a text - blanks dropped, the last "," (else a
// last "." behind every ":") read as ":" (an appended ",0" when there is
// neither), missing ":" put in front, the first four fields, each read up to
// its first non-digit, a fourth field behind a "." as a fraction - without a
// working copy. False for any other text.
bool readPlainTime(const uint8_t* p, int64_t n, int32_t* ms) {
    const uint8_t blank = prog::constText(image::kConstSpace)[0];
    const uint8_t colon = prog::constText(image::kConstColon)[0];
    const uint8_t comma = prog::constText(image::kConstComma)[0];

    // The standard forms "HH:MM:SS,mmm" and "HH:MM:SS.mmm", blanks around
    // them, are by far the most common: their four fields are read in place.
    int64_t first = 0, last = n;
    while (first < last && p[first] == blank) ++first;
    while (last > first && p[last - 1] == blank) --last;
    if (last - first == 12) {
        const uint8_t* t = p + first;
        const bool standard = isDigit(t[0]) && isDigit(t[1]) && t[2] == colon && isDigit(t[3]) &&
                              isDigit(t[4]) && t[5] == colon && isDigit(t[6]) && isDigit(t[7]) &&
                              (t[8] == comma || t[8] == kDot) && isDigit(t[9]) && isDigit(t[10]) && isDigit(t[11]);
        if (standard) {
            auto two = [t](int32_t i) { return (t[i] - '0') * 10 + (t[i + 1] - '0'); };
            *ms = fieldSum(two(0), two(3), two(6), (t[9] - '0') * 100 + two(10));
            return true;
        }
    }
    int64_t lastComma = -1, lastDot = -1, lastColon = -1;
    int32_t colons = 0;
    int32_t run = 0;
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t c = p[i];
        if (c == blank) continue;  // dropped: digits around it join
        if (isDigit(c)) {
            if (++run > 9) return false;
            continue;
        }
        run = 0;
        if (c == colon) {
            ++colons;
            lastColon = i;
        } else if (c == comma) {
            lastComma = i;
        } else if (c == kDot) {
            lastDot = i;
        } else {
            return false;
        }
    }
    // The field separator in front of the milliseconds.
    const int64_t separator = lastComma >= 0 ? lastComma : lastDot > lastColon ? lastDot : -1;
    const bool fraction = separator == lastDot && separator >= 0 && colons < 3;

    // The separator counts as a ":" too; fewer than three give empty fields
    // in front. An appended ",0" only adds a field of 0 behind the others.
    int32_t field[4] = {0, 0, 0, 0};  // at most 9 digits each
    int32_t digits = 0;               // of the fourth field
    int32_t k = colons + 1 < 3 ? 3 - (colons + 1) : 0;
    bool leading = true;  // still in the field's leading digits
    for (int64_t i = 0; i < n && k < 4; ++i) {
        const uint8_t c = p[i];
        if (c == blank) continue;
        if (c == colon || i == separator) {
            ++k;
            leading = true;
        } else if (isDigit(c)) {
            if (!leading) continue;  // no blank breaks a number
            if (k == 3 && fraction && ++digits > 3) continue;
            field[k] = field[k] * 10 + (c - '0');
        } else {
            leading = false;  // an earlier comma or "." ends the field's number
        }
    }
    if (fraction) field[3] = fractionMillis(field[3], digits);
    *ms = fieldSum(field[0], field[1], field[2], field[3]);
    return true;
}

// Writes a field's decimal digits, with leading zeros up to `width`, and
// returns the position behind them. The fields of a 32-bit magnitude are
// small and never negative (hours at most 596).
uint8_t* putField(uint8_t* out, int64_t value, int32_t width) {
    const uint8_t zero = prog::constText(image::kConstZero)[0];
    // Minutes, seconds and milliseconds, and most hours: digits in place.
    if (value < 100 && width == 2) {
        out[0] = static_cast<uint8_t>(zero + value / 10);
        out[1] = static_cast<uint8_t>(zero + value % 10);
        return out + 2;
    }
    if (value < 1000 && width == 3) {
        out[0] = static_cast<uint8_t>(zero + value / 100);
        out[1] = static_cast<uint8_t>(zero + value / 10 % 10);
        out[2] = static_cast<uint8_t>(zero + value % 10);
        return out + 3;
    }
    uint8_t digits[20];
    int32_t n = 0;
    do {
        digits[n++] = static_cast<uint8_t>(zero + value % 10);
        value /= 10;
    } while (value > 0 && n < 20);
    for (int32_t k = n; k < width; ++k) *out++ = zero;
    while (n > 0) *out++ = digits[--n];
    return out;
}

}  // namespace

Text fillMaskBlanks(prog::TextVar* text) {
    Text t = *text;
    if (t) {
        // The caller's text is filled in place. Each first blank from the start
        // lies behind the one filled before it, so one pass finds them all.
        const char blank = prog::constText(image::kConstSpace)[0];
        const char zero = prog::constText(image::kConstZero)[0];
        for (char* p = t; *p; ++p) {
            if (*p == blank) *p = zero;
        }
    }
    return prog::concatText(prog::textOrEmpty(t));
}

int32_t parseTimeText(const char* text) {
    const char* t = prog::textOrEmpty(text);
    int32_t ms;
    if (readPlainTime(reinterpret_cast<const uint8_t*>(t), prog::textLength(t), &ms)) return ms;
    return parseTimeTextStepwise(t);
}

int32_t parseTimeBytes(const prog::ByteSetBlock* bytes, int32_t start, int32_t count) {
    int32_t ms;
    const int64_t length = prog::byteCount(bytes);
    if (start >= 1 && count >= 0 && static_cast<int64_t>(start) - 1 + count <= length &&
        readPlainTime(prog::bytesOf(bytes) + (start - 1), count, &ms)) {
        return ms;
    }
    prog::ByteSet part = prog::middleBytes(bytes, start, count);
    Text text = prog::bytesToText(part);
    ms = parseTimeTextStepwise(text);
    vxFree(text);
    vxFree(part);
    return ms;
}

int32_t parseTimeTextStepwise(const char* text) {
    // A working copy, without blanks.
    Text t = prog::concatText(prog::textOrEmpty(text));
    removeBlanks(t);

    // The last "," separates the milliseconds, a count. A text without one
    // takes its last "." when no ":" follows it: behind it stands a decimal
    // fraction of a second. A text with neither gets ",0" and that comma is
    // taken. The separator becomes ":"; an earlier comma or "." stays part of
    // its field.
    bool fraction = false;
    int32_t separator = prog::findTextFromEnd(t, prog::constText(image::kConstComma));
    if (separator < 1) {
        static constexpr char kDotText[] = {kDot, 0};
        const int32_t dot = prog::findTextFromEnd(t, kDotText);
        const int32_t colon = prog::findTextFromEnd(t, prog::constText(image::kConstColon));
        if (dot > 0 && dot > colon) {
            separator = dot;
            fraction = countColons(t) < 3;  // else the fraction lies past the fourth field
        }
    }
    if (separator < 1) {
        separator = prog::textLength(t) + 1;
        prog::storeText(&t, prog::concatText(t, prog::constText(image::kConstCommaZero)));
    }
    prog::storeText(&t, prog::replacePart(t, separator, 1, prog::constText(image::kConstColon)));

    // Fields are read from the right: missing ":" go in front.
    for (int32_t colons = countColons(t); colons < 3; ++colons) {
        prog::storeText(&t, prog::concatText(prog::constText(image::kConstColon), t));
    }

    // At most four fields, and one more "0" behind them for a missing fourth.
    prog::List fields = prog::splitText(t, prog::constText(image::kConstColon), 4);
    prog::appendText(&fields, prog::constText(image::kConstZero));
    const int32_t hours = prog::toInteger(prog::textAt(fields, 1));
    const int32_t minutes = prog::toInteger(prog::textAt(fields, 2));
    const int32_t seconds = prog::toInteger(prog::textAt(fields, 3));
    int32_t millis;
    if (fraction) {
        // The digits right behind the ".", the first three of them.
        const char* digits = prog::textOrEmpty(prog::textAt(fields, 4));
        int32_t count = 0, firstThree = 0;
        for (; count < 3 && isDigit(static_cast<uint8_t>(digits[count])); ++count) {
            firstThree = firstThree * 10 + (digits[count] - '0');
        }
        millis = fractionMillis(firstThree, count);
    } else {
        millis = prog::toInteger(prog::textAt(fields, 4));
    }
    prog::releaseAddressList(fields);
    vxFree(t);
    return fieldSum(hours, minutes, seconds, millis);
}

int32_t writeTimeText(int32_t ms, uint8_t* out) {
    const bool negative = ms < 0;
    // The magnitude as a 64-bit integer: that of -2147483648 has no 32-bit
    // form. Integer division with remainder gives exactly what the division in
    // doubles and truncation give for every magnitude up to 2^31.
    const int64_t m = negative ? -static_cast<int64_t>(ms) : ms;
    const int64_t hours = m / 3600000;
    const int64_t minutes = m % 3600000 / 60000;
    const int64_t seconds = m % 60000 / 1000;
    const int64_t millis = m % 1000;

    // "-" for a negative value, hours of at least two digits, ":", minutes,
    // ":", seconds (two digits each), ",", three digits of milliseconds.
    uint8_t* const begin = out;
    if (negative) *out++ = prog::constText(image::kConstMinus)[0];
    out = putField(out, hours, 2);
    *out++ = prog::constText(image::kConstColon)[0];
    out = putField(out, minutes, 2);
    *out++ = prog::constText(image::kConstColon)[0];
    out = putField(out, seconds, 2);
    *out++ = prog::constText(image::kConstComma)[0];
    out = putField(out, millis, 3);
    return static_cast<int32_t>(out - begin);
}

prog::ByteSet formatTimeText(int32_t ms) {
    uint8_t text[kLongestTimeText];
    const int32_t count = writeTimeText(ms, text);
    auto* block = static_cast<prog::ByteSet>(vxAllocate(8 + static_cast<uint32_t>(count)));
    block->one = 1;
    block->count = static_cast<uint32_t>(count);
    __builtin_memcpy(prog::bytesOf(block), text, static_cast<uint64_t>(count));
    return block;
}

int32_t parseShiftText(const char* text) {
    Text first = prog::leftText(prog::textOrEmpty(text), 1);
    const bool minus = prog::compareText(first, prog::constText(image::kConstMinus)) == 0;
    vxFree(first);

    Text rest = minus ? prog::replacePart(prog::textOrEmpty(text), 1, 1, nullptr)
                      : prog::concatText(prog::textOrEmpty(text));
    Text filled = fillMaskBlanks(&rest);
    int32_t value = parseTimeText(filled);
    vxFree(filled);
    vxFree(rest);
    if (minus) {
        // Negated as a double, so that the low 32 bits of -(-2147483648) stay defined.
        value = static_cast<int32_t>(
            prog::truncToInt(static_cast<double>(value) * prog::constDouble(image::kConstMinusOne)));
    }
    return value;
}

}  // namespace engine
