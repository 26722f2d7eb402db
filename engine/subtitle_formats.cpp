// Subtitle formats: recognising a text, walking it for its times, reading
// them and writing changed ones in the format's own form.
#include "engine/subtitle_formats.h"

#include <emmintrin.h>

#include "engine/line_ends.h"
#include "engine/time_text.h"
#include "runtime/text_support.h"

namespace engine {
namespace {

inline bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool isBlank(uint8_t c) { return c == ' ' || c == '\t'; }
// What an end time behind "-->" is made of: digits, ":", ",", "." and blanks
// between them.
inline bool isTimeByte(uint8_t c) {
    return static_cast<uint8_t>(c - '0') <= 10 || c == ',' || c == '.' || c == ' ';  // '0'..'9' and ':'
}
// "HH:MM:SS,mmm" or "HH:MM:SS.mmm" at p: the form nearly every SRT and
// WebVTT time has.
inline bool isStandardTime(const uint8_t* t) {
    return isDigit(t[0]) && isDigit(t[1]) && t[2] == ':' && isDigit(t[3]) && isDigit(t[4]) && t[5] == ':' &&
           isDigit(t[6]) && isDigit(t[7]) && (t[8] == ',' || t[8] == '.') && isDigit(t[9]) && isDigit(t[10]) &&
           isDigit(t[11]);
}
inline uint8_t lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

constexpr uint8_t kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

// Behind a UTF-8 byte-order mark at the start of the text.
int32_t afterByteOrderMark(const uint8_t* p, int32_t n) {
    return n >= 3 && p[0] == kByteOrderMark[0] && p[1] == kByteOrderMark[1] && p[2] == kByteOrderMark[2] ? 3 : 0;
}

int32_t lineEndFrom(const uint8_t* p, int32_t n, int32_t from) {
    return static_cast<int32_t>(lineEndAtOrAfter(p, n, from));
}

int32_t nextLineStart(const uint8_t* p, int32_t n, int32_t lineEnd) {
    return lineEnd < n ? lineEnd + lineEndLength(p, n, lineEnd) : n;
}

// [b, e) without the blanks around it.
void trimBlanks(const uint8_t* p, int32_t* b, int32_t* e) {
    while (*b < *e && isBlank(p[*b])) ++*b;
    while (*e > *b && isBlank(p[*e - 1])) --*e;
}

// Whether the bytes at p[b, e) begin with `word` (ASCII, any case).
bool startsWithWord(const uint8_t* p, int32_t b, int32_t e, const char* word) {
    for (; *word; ++word, ++b) {
        if (b >= e || lower(p[b]) != lower(static_cast<uint8_t>(*word))) return false;
    }
    return true;
}

bool equalsWord(const uint8_t* p, int32_t b, int32_t e, const char* word) {
    int32_t length = 0;
    while (word[length]) ++length;
    return e - b == length && startsWithWord(p, b, e, word);
}

// The end of a run of digits from `at`.
int32_t digitsFrom(const uint8_t* p, int32_t e, int32_t at) {
    while (at < e && isDigit(p[at])) ++at;
    return at;
}

// The first line of the text that holds more than blanks, behind a
// byte-order mark: [*b, *e) trimmed; false when there is none.
bool firstLine(const uint8_t* p, int32_t n, int32_t* b, int32_t* e, int32_t* next) {
    for (int32_t at = afterByteOrderMark(p, n); at < n;) {
        const int32_t end = lineEndFrom(p, n, at);
        *b = at;
        *e = end;
        *next = nextLineStart(p, n, end);
        trimBlanks(p, b, e);
        if (*b < *e) return true;
        at = *next;
    }
    return false;
}

// "{START}{END}" at p[b, e): the two frame numbers.
bool framePair(const uint8_t* p, int32_t b, int32_t e, TimeSpan* start, TimeSpan* end) {
    if (b >= e || p[b] != '{') return false;
    start->begin = b + 1;
    start->end = digitsFrom(p, e, start->begin);
    if (start->end == start->begin || start->end + 1 >= e || p[start->end] != '}' || p[start->end + 1] != '{') {
        return false;
    }
    end->begin = start->end + 2;
    end->end = digitsFrom(p, e, end->begin);
    return end->end > end->begin && end->end < e && p[end->end] == '}';
}

// An SBV time "H:MM:SS.mmm" from `at`: its end, or -1.
int32_t sbvTimeFrom(const uint8_t* p, int32_t e, int32_t at) {
    for (int32_t field = 0; field < 4; ++field) {
        const int32_t end = digitsFrom(p, e, at);
        if (end == at) return -1;
        if (field == 3) return end;
        if (end >= e || p[end] != (field < 2 ? ':' : '.')) return -1;
        at = end + 1;
    }
    return -1;
}

// A whole trimmed line "START,END" of two SBV times.
bool commaPair(const uint8_t* p, int32_t b, int32_t e, TimeSpan* start, TimeSpan* end) {
    const int32_t comma = sbvTimeFrom(p, e, b);
    if (comma < 0 || comma >= e || p[comma] != ',') return false;
    const int32_t last = sbvTimeFrom(p, e, comma + 1);
    if (last != e) return false;
    *start = TimeSpan{b, comma};
    *end = TimeSpan{comma + 1, e};
    return true;
}

// A decimal number "23.976" filling p[b, e); 0 when it is none.
double decimalNumber(const uint8_t* p, int32_t b, int32_t e) {
    double value = 0, scale = 1;
    bool point = false, digits = false;
    for (int32_t i = b; i < e; ++i) {
        if (isDigit(p[i])) {
            digits = true;
            if (point) {
                scale /= 10;
                value += (p[i] - '0') * scale;
            } else {
                value = value * 10 + (p[i] - '0');
            }
        } else if (p[i] == '.' && !point) {
            point = true;
        } else {
            return 0;
        }
    }
    return digits ? value : 0;
}

// Where the "-->" of the line p[b, e) begins, or -1: the one ending at the
// line's first ">" behind two "-".
int32_t arrowIn(const uint8_t* p, int32_t b, int32_t e) {
    for (int32_t i = b + 2; i < e; ++i) {
        if (p[i] == '>' && p[i - 1] == '-' && p[i - 2] == '-') return i - 2;
    }
    return -1;
}

// The first "-->" of the text at or after `from`, or -1. Most of a subtitle
// is cue text, so sixteen bytes at a time are looked at for a ">".
int32_t arrowFrom(const uint8_t* p, int32_t n, int32_t from) {
    const __m128i greater = _mm_set1_epi8('>');
    int32_t i = from + 2;
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        for (auto hits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, greater))); hits;
             hits &= hits - 1) {
            const int32_t k = i + __builtin_ctz(hits);
            if (p[k - 1] == '-' && p[k - 2] == '-') return k - 2;
        }
    }
    for (; i < n; ++i) {
        if (p[i] == '>' && p[i - 1] == '-' && p[i - 2] == '-') return i - 2;
    }
    return -1;
}

// A time line holding its "-->" at `arrow`: the whole line in front of it is
// the start time (a byte-order mark, blanks and the "-" of a longer arrow
// aside), the time standing behind it the end time; what follows the end
// time (cue settings, coordinates) is no part of it.
void arrowTimes(const uint8_t* p, int32_t lineStart, int32_t arrow, int32_t lineEnd, FoundTimes* found) {
    int32_t b = lineStart == 0 ? afterByteOrderMark(p, lineEnd) : lineStart;
    int32_t e = arrow;
    while (e > b && p[e - 1] == '-') --e;
    trimBlanks(p, &b, &e);
    found->first = TimeSpan{b, e};

    b = arrow + 3;
    while (b < lineEnd && isBlank(p[b])) ++b;
    if (lineEnd - b >= 12 && isStandardTime(p + b) && (lineEnd - b == 12 || !isTimeByte(p[b + 12]))) {
        e = b + 12;
    } else {
        e = b;
        if (e < lineEnd && (p[e] == '-' || p[e] == '+')) ++e;
        while (e < lineEnd && isTimeByte(p[e])) ++e;
        while (e > b && p[e - 1] == ' ') --e;
    }
    found->second = TimeSpan{b, e};
    found->cue = true;
    found->endFirst = false;
    found->lineStart = lineStart;
}

// A WebVTT timestamp "<HH:MM:SS.mmm>" or "<MM:SS.mmm>" in p[from, e): the
// time inside the brackets.
bool inlineTimeIn(const uint8_t* p, int32_t from, int32_t e, TimeSpan* span) {
    for (int32_t i = from; i < e; ++i) {
        if (p[i] != '<') continue;
        // Fields of two digits (hours of two or more), ":" between them,
        // then "." and three digits.
        int32_t at = i + 1, fields = 0;
        bool valid = true;
        for (;;) {
            const int32_t end = digitsFrom(p, e, at);
            if (end - at < 2 || (fields > 0 && end - at != 2)) {
                valid = false;
                break;
            }
            ++fields;
            at = end;
            if (at < e && p[at] == ':' && fields < 3) {
                ++at;
                continue;
            }
            break;
        }
        if (!valid || fields < 2 || at >= e || p[at] != '.') continue;
        const int32_t end = digitsFrom(p, e, at + 1);
        if (end - at - 1 != 3 || end >= e || p[end] != '>') continue;
        *span = TimeSpan{i + 1, end};
        return true;
    }
    return false;
}

// The bytes [b, e) of field `index` of an event line whose fields start at
// `b` and are separated by ","; false when the line has fewer fields.
bool eventField(const uint8_t* p, int32_t b, int32_t e, int32_t index, TimeSpan* span) {
    for (int32_t k = 0; k < index; ++k) {
        while (b < e && p[b] != ',') ++b;
        if (b >= e) return false;
        ++b;
    }
    int32_t end = b;
    while (end < e && p[end] != ',') ++end;
    trimBlanks(p, &b, &end);
    *span = TimeSpan{b, end};
    return true;
}

// The Start and End fields named on an [Events] "Format:" line.
void readEventFormat(TimeFinder* f, const uint8_t* p, int32_t b, int32_t e) {
    int8_t start = -1, end = -1;
    for (int8_t k = 0; b <= e && k < 100; ++k) {
        int32_t fieldEnd = b;
        while (fieldEnd < e && p[fieldEnd] != ',') ++fieldEnd;
        int32_t nb = b, ne = fieldEnd;
        trimBlanks(p, &nb, &ne);
        if (equalsWord(p, nb, ne, "Start")) start = k;
        if (equalsWord(p, nb, ne, "End")) end = k;
        b = fieldEnd + 1;
    }
    if (start >= 0 && end >= 0) {
        f->startField = start;
        f->endField = end;
    }
}

// The next line of the walk: [*lineStart, *lineEnd), without its line end.
bool nextLine(TimeFinder* f, int32_t* lineStart, int32_t* lineEnd) {
    if (f->at >= f->length) return false;
    *lineStart = f->at;
    *lineEnd = lineEndFrom(f->text, f->length, f->at);
    f->at = nextLineStart(f->text, f->length, *lineEnd);
    return true;
}

// The next line of the walk trimmed: [*b, *e) without the blanks around it
// (nor a byte-order mark in front of the text's first line), the line's start
// in *lineStart.
bool nextTrimmedLine(TimeFinder* f, int32_t* lineStart, int32_t* b, int32_t* e) {
    if (!nextLine(f, lineStart, e)) return false;
    *b = *lineStart == 0 ? afterByteOrderMark(f->text, *e) : *lineStart;
    trimBlanks(f->text, b, e);
    return true;
}

bool findArrowTimes(TimeFinder* f, FoundTimes* found) {
    const uint8_t* p = f->text;
    const int32_t n = f->length;
    if (!rulesOf(f->format).inlineTimes) {
        // Any line holding "-->", wherever it stands.
        const int32_t arrow = f->at < n ? arrowFrom(p, n, f->at) : -1;
        if (arrow < 0) {
            f->at = n;
            return false;
        }
        const auto lineStart = static_cast<int32_t>(lineStartBefore(p, arrow));
        const int32_t lineEnd = lineEndFrom(p, n, arrow);
        arrowTimes(p, lineStart, arrow, lineEnd, found);
        f->at = nextLineStart(p, n, lineEnd);
        return true;
    }
    // Line by line: the lines behind a time line up to an empty one are its
    // cue's text, whose timestamps are times too.
    for (;;) {
        if (f->inlineFrom >= 0) {
            TimeSpan span;
            if (inlineTimeIn(p, f->inlineFrom, f->inlineLineEnd, &span)) {
                f->inlineFrom = span.end + 1;
                found->cue = false;
                found->endFirst = false;
                found->first = span;
                found->second = span;
                found->lineStart = f->inlineLineStart;
                return true;
            }
            f->inlineFrom = -1;
        }
        int32_t b, e;
        if (!nextLine(f, &b, &e)) return false;
        const int32_t arrow = arrowIn(p, b, e);
        if (arrow >= 0) {
            arrowTimes(p, b, arrow, e, found);
            f->inCueText = true;
            return true;
        }
        if (!f->inCueText) continue;
        if (b == e) {
            f->inCueText = false;
            continue;
        }
        f->inlineFrom = b;
        f->inlineLineStart = b;
        f->inlineLineEnd = e;
    }
}

bool findEventTimes(TimeFinder* f, FoundTimes* found) {
    const uint8_t* p = f->text;
    int32_t lineStart, b, e;
    while (nextTrimmedLine(f, &lineStart, &b, &e)) {
        if (b < e && p[b] == '[') {
            f->inEvents = equalsWord(p, b, e, "[Events]");
            continue;
        }
        if (!f->inEvents) continue;
        if (startsWithWord(p, b, e, "Format:")) {
            readEventFormat(f, p, b + 7, e);
            continue;
        }
        int32_t fields;
        if (startsWithWord(p, b, e, "Dialogue:")) {
            fields = b + 9;
        } else if (startsWithWord(p, b, e, "Comment:")) {
            fields = b + 8;
        } else {
            continue;
        }
        TimeSpan start, end;
        if (!eventField(p, fields, e, f->startField, &start) || !eventField(p, fields, e, f->endField, &end)) continue;
        found->cue = true;
        found->endFirst = f->endField < f->startField;
        found->first = found->endFirst ? end : start;
        found->second = found->endFirst ? start : end;
        found->lineStart = lineStart;
        return true;
    }
    return false;
}

bool findLineTimes(TimeFinder* f, FoundTimes* found) {
    const uint8_t* p = f->text;
    int32_t lineStart, b, e;
    while (nextTrimmedLine(f, &lineStart, &b, &e)) {
        const bool pair = f->format == SubtitleFormat::Sbv ? commaPair(p, b, e, &found->first, &found->second)
                                                           : framePair(p, b, e, &found->first, &found->second);
        if (!pair) continue;
        found->cue = true;
        found->endFirst = false;
        found->lineStart = lineStart;
        return true;
    }
    return false;
}

// Two and three digits of a value below 100 and 1000.
inline uint8_t* putTwo(uint8_t* out, int64_t value) {
    out[0] = static_cast<uint8_t>('0' + value / 10);
    out[1] = static_cast<uint8_t>('0' + value % 10);
    return out + 2;
}
inline uint8_t* putThree(uint8_t* out, int64_t value) {
    out[0] = static_cast<uint8_t>('0' + value / 100);
    out[1] = static_cast<uint8_t>('0' + value / 10 % 10);
    out[2] = static_cast<uint8_t>('0' + value % 10);
    return out + 3;
}

// The digits of a value, at least `width` of them; returns the position
// behind them.
uint8_t* putNumber(uint8_t* out, int64_t value, int32_t width) {
    uint8_t digits[20];
    int32_t n = 0;
    do {
        digits[n++] = static_cast<uint8_t>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 20);
    for (int32_t k = n; k < width; ++k) *out++ = '0';
    while (n > 0) *out++ = digits[--n];
    return out;
}

// Centiseconds of a time, rounded to the nearest (halves up).
int64_t centiseconds(int64_t ms) { return ms >= 0 ? (ms + 5) / 10 : -((-ms + 5) / 10); }

// The frame number of a time at the reading's frame rate, rounded.
int64_t frameOf(int64_t ms, double framesPerSecond) {
    const double frame = static_cast<double>(ms) * framesPerSecond / 1000.0;
    return prog::truncToInt(frame >= 0 ? frame + 0.5 : frame - 0.5);
}

}  // namespace

SubtitleFormat recognizeFormat(const uint8_t* p, int32_t n) {
    const int32_t start = afterByteOrderMark(p, n);
    // "WEBVTT" as it stands, alone or followed by a blank and more.
    bool webVtt = n - start >= 6;
    for (int32_t i = 0; webVtt && i < 6; ++i) webVtt = p[start + i] == static_cast<uint8_t>("WEBVTT"[i]);
    if (webVtt && (start + 6 == n || isBlank(p[start + 6]) || isLineEndByte(p[start + 6]))) {
        return SubtitleFormat::WebVtt;
    }
    int32_t b, e, next;
    if (!firstLine(p, n, &b, &e, &next)) return SubtitleFormat::Srt;
    if (startsWithWord(p, b, e, "[Script Info]") || startsWithWord(p, b, e, "[V4+ Styles]") ||
        startsWithWord(p, b, e, "[V4 Styles]") || startsWithWord(p, b, e, "[Events]")) {
        return SubtitleFormat::Ass;
    }
    TimeSpan first, second;
    if (framePair(p, b, e, &first, &second)) return SubtitleFormat::MicroDvd;
    if (commaPair(p, b, e, &first, &second)) return SubtitleFormat::Sbv;
    return SubtitleFormat::Srt;
}

double frameRateLine(const uint8_t* p, int32_t n) {
    int32_t b, e, next;
    TimeSpan first, second;
    if (!firstLine(p, n, &b, &e, &next) || !framePair(p, b, e, &first, &second)) return 0;
    if (!equalsWord(p, first.begin, first.end, "1") || !equalsWord(p, second.begin, second.end, "1")) return 0;
    return decimalNumber(p, second.end + 1, e);
}

SubtitleReading readingOf(const uint8_t* text, int32_t length, double framesPerSecond) {
    SubtitleReading reading{recognizeFormat(text, length), 0};
    if (reading.format == SubtitleFormat::MicroDvd) {
        reading.framesPerSecond = framesPerSecond > 0 ? framesPerSecond : frameRateLine(text, length);
    }
    return reading;
}

void startFinding(TimeFinder* f, const uint8_t* text, int32_t length, SubtitleFormat format) {
    *f = TimeFinder{};
    f->text = text;
    f->length = length;
    f->format = format;
    f->startField = 1;  // Layer (or Marked), Start, End, ... when no Format line says otherwise
    f->endField = 2;
    f->inlineFrom = -1;
    int32_t b, e, next;
    // A MicroDVD frame-rate line is no cue.
    if (format == SubtitleFormat::MicroDvd && frameRateLine(text, length) > 0 && firstLine(text, length, &b, &e, &next)) {
        f->at = next;
    }
}

bool findTimes(TimeFinder* f, FoundTimes* found) {
    switch (rulesOf(f->format).lines) {
        case TimeLines::Arrow: return findArrowTimes(f, found);
        case TimeLines::EventFields: return findEventTimes(f, found);
        case TimeLines::CommaPair:
        case TimeLines::FramePair: return findLineTimes(f, found);
    }
    return false;
}

int32_t readTime(const prog::ByteSetBlock* input, TimeSpan span, const SubtitleReading& reading) {
    if (reading.format != SubtitleFormat::MicroDvd) {
        return parseTimeBytes(input, span.begin + 1, span.end - span.begin);
    }
    if (reading.framesPerSecond <= 0) return 0;
    const uint8_t* p = prog::bytesOf(input);
    int64_t frame = 0;
    for (int32_t i = span.begin; i < span.end && i < span.begin + 12; ++i) frame = frame * 10 + (p[i] - '0');
    const double ms = static_cast<double>(frame) * 1000.0 / reading.framesPerSecond;
    return static_cast<int32_t>(prog::truncToInt(ms + 0.5));
}

bool timeChanges(int32_t ms, int32_t was, const SubtitleReading& reading) {
    if (ms == was) return false;
    const FormatRules& rules = rulesOf(reading.format);
    const int64_t now = ms < 0 && !rules.keepsNegative ? 0 : ms;
    if (rules.fractionDigits == 0) return frameOf(now, reading.framesPerSecond) != frameOf(was, reading.framesPerSecond);
    if (rules.fractionDigits == 2) return centiseconds(now) != centiseconds(was);
    return now != was;
}

int32_t writeTime(int32_t ms, const uint8_t* text, TimeSpan span, const SubtitleReading& reading, uint8_t* out) {
    const FormatRules& rules = rulesOf(reading.format);
    uint8_t* const begin = out;
    int64_t m = ms;
    if (m < 0 && !rules.keepsNegative) m = 0;
    if (rules.fractionDigits == 0) return static_cast<int32_t>(putNumber(out, frameOf(m, reading.framesPerSecond), 1) - begin);
    if (m < 0) {
        *out++ = '-';
        m = -m;
    }

    // The time's own form: its separator, and the digits of its hours (none
    // when it has only minutes and seconds).
    uint8_t separator = rules.separator;
    int32_t colons = 0, hourDigits = 0;
    const uint8_t* t = text + span.begin;
    if (span.end - span.begin == 12 && isStandardTime(t)) {
        // "HH:MM:SS,mmm" or "HH:MM:SS.mmm", by far the most common.
        colons = 2, hourDigits = 2;
        if (separator == 0) separator = t[8];
    } else {
        bool comma = false, dot = false;
        for (int32_t i = span.begin; i < span.end; ++i) {
            const uint8_t c = text[i];
            colons += c == ':';
            comma = comma || c == ',';
            dot = dot || c == '.';
            if (colons == 0 && isDigit(c)) ++hourDigits;
        }
        if (separator == 0) separator = !comma && dot ? '.' : ',';
    }
    const bool hours = !(rules.hourless && colons < 2 && m < 3600000);
    if (colons < 2) hourDigits = 0;
    if (hourDigits < rules.hourDigits) hourDigits = rules.hourDigits;
    if (hourDigits > 10) hourDigits = 10;

    // Hours, minutes, seconds and the fraction of the time as the fraction
    // rounds it.
    int64_t h, minutes, seconds, fraction;
    if (rules.fractionDigits == 2) {
        const int64_t cs = centiseconds(m);
        h = cs / 360000, minutes = cs / 6000, seconds = cs / 100 % 60, fraction = cs % 100;
    } else {
        const auto u = static_cast<uint32_t>(m);  // at most 2^31
        h = u / 3600000, minutes = u / 60000, seconds = u / 1000 % 60, fraction = u % 1000;
    }
    if (hours) {
        out = hourDigits == 2 && h < 100 ? putTwo(out, h) : putNumber(out, h, hourDigits);
        *out++ = ':';
        minutes %= 60;
    }
    out = minutes < 100 ? putTwo(out, minutes) : putNumber(out, minutes, 2);
    *out++ = ':';
    out = putTwo(out, seconds);
    *out++ = separator;
    out = rules.fractionDigits == 3 ? putThree(out, fraction) : putTwo(out, fraction);
    return static_cast<int32_t>(out - begin);
}

}  // namespace engine
