// Subtitle formats: which one a text is, where its times stand, how a time is
// read and how a time that changed is written. Everything that differs between
// formats is one row of kFormatRules; the finder walks a text and gives its
// times in text order, and the rest of the engine does not know formats.
//
// Only the times change: a time whose value stays is never rewritten, and a
// changed one is written in its format's own form, with its own separator
// (SRT) and at least as many hour digits as it had.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

namespace engine {

enum class SubtitleFormat : uint8_t { Srt, WebVtt, Ass, Sbv, MicroDvd };

// Where a format's cue times stand.
enum class TimeLines : uint8_t {
    Arrow,        // any line holding "-->": the start in front of it, the end behind it
    CommaPair,    // a line of two times and a "," between them, nothing else (SBV)
    EventFields,  // the Start and End fields of the Dialogue and Comment lines of [Events]
    FramePair,    // a line starting "{START}{END}", frame numbers (MicroDVD)
};

struct FormatRules {
    SubtitleFormat format;
    TimeLines lines;
    bool inlineTimes;        // "<00:00:01.500>" in a cue's text is a time too (WebVTT)
    bool keepsNegative;      // a time below zero is written with "-"; else as zero
    uint8_t hourDigits;      // the fewest hour digits of a changed time
    bool hourless;           // a time without hours stays so while under an hour
    uint8_t fractionDigits;  // 3 milliseconds, 2 centiseconds (rounded), 0 frame numbers
    uint8_t separator;       // in front of the fraction; 0: the time's own ("," or ".")
};

constexpr FormatRules kFormatRules[] = {
    {SubtitleFormat::Srt, TimeLines::Arrow, false, true, 2, false, 3, 0},
    {SubtitleFormat::WebVtt, TimeLines::Arrow, true, false, 2, true, 3, '.'},
    {SubtitleFormat::Ass, TimeLines::EventFields, false, false, 1, false, 2, '.'},
    {SubtitleFormat::Sbv, TimeLines::CommaPair, false, false, 1, false, 3, '.'},
    {SubtitleFormat::MicroDvd, TimeLines::FramePair, false, false, 0, false, 0, 0},
};

constexpr bool formatRulesInOrder() {
    for (uint32_t i = 0; i < sizeof kFormatRules / sizeof kFormatRules[0]; ++i) {
        const FormatRules& r = kFormatRules[i];
        if (static_cast<uint32_t>(r.format) != i) return false;
        const bool frames = r.lines == TimeLines::FramePair;
        // Frame numbers have no fields; times have a fraction of 2 or 3 digits.
        if (frames != (r.fractionDigits == 0)) return false;
        if (!frames && r.fractionDigits != 2 && r.fractionDigits != 3) return false;
        if (!frames && (r.hourDigits < 1 || r.hourDigits > 2)) return false;
        if (r.separator != 0 && r.separator != '.' && r.separator != ',') return false;
        if (r.inlineTimes && r.lines != TimeLines::Arrow) return false;  // found in the text behind a time line
    }
    return sizeof kFormatRules / sizeof kFormatRules[0] == static_cast<uint32_t>(SubtitleFormat::MicroDvd) + 1;
}
static_assert(formatRulesInOrder(), "kFormatRules: one row per format, in order, each consistent");

inline const FormatRules& rulesOf(SubtitleFormat format) { return kFormatRules[static_cast<uint32_t>(format)]; }

// The format of a text, by content: its first line after a UTF-8 byte-order
// mark, blank lines and leading blanks. "WEBVTT" starting the text is WebVTT;
// a section header ("[Script Info]", "[V4+ Styles]", "[V4 Styles]",
// "[Events]") is ASS or SSA; "{N}{N}" is MicroDVD; a line of two times and a
// "," between them is SBV; anything else is SRT (whose time lines hold "-->").
SubtitleFormat recognizeFormat(const uint8_t* text, int32_t length);

// The frame rate a MicroDVD text gives on its first line, "{1}{1}23.976";
// 0 when it gives none.
double frameRateLine(const uint8_t* text, int32_t length);

// How a text is read: its format, and for MicroDVD its frame rate (frames per
// second; 0 when unknown, and then no time is read).
struct SubtitleReading {
    SubtitleFormat format;
    double framesPerSecond;
};

// The format of a text and, for MicroDVD, the frame rate of its first line,
// or `framesPerSecond` when that is above 0 (given by the user).
SubtitleReading readingOf(const uint8_t* text, int32_t length, double framesPerSecond);

// The bytes [begin, end) of one time text, 0-based.
struct TimeSpan {
    int32_t begin;
    int32_t end;
};

// What the finder gives, in text order: a cue's two times on its time line,
// or one time inside the text of the cue found last.
struct FoundTimes {
    bool cue;          // a cue's time line; else one time in its text
    bool endFirst;     // cue: the end time stands first on the line
    TimeSpan first;    // cue: the time standing first; else the time
    TimeSpan second;   // cue: the other one
    int32_t lineStart; // where the line holding them begins
};

// The state of one walk over a text.
struct TimeFinder {
    const uint8_t* text;
    int32_t length;
    SubtitleFormat format;
    int32_t at;           // the start of the next line to look at
    bool inEvents;        // ASS: inside [Events]
    int8_t startField;    // ASS: Start and End among the fields of an event line
    int8_t endField;
    bool inCueText;       // WebVTT: the lines behind a time line, up to an empty line
    int32_t inlineFrom;   // WebVTT: where the search for timestamps goes on in a cue's
    int32_t inlineLineStart;  // text line [inlineLineStart, inlineLineEnd); -1: none
    int32_t inlineLineEnd;
};

void startFinding(TimeFinder* finder, const uint8_t* text, int32_t length, SubtitleFormat format);

// The next times of the text; false when there are none left.
bool findTimes(TimeFinder* finder, FoundTimes* found);

// The time value of a time text (frame numbers through the frame rate,
// rounded to the millisecond). Texts are read by parseTimeText's rule.
int32_t readTime(const prog::ByteSetBlock* input, TimeSpan span, const SubtitleReading& reading);

// The most bytes writeTime writes.
constexpr int32_t kLongestWrittenTime = 32;

// Whether a time written as `ms` in place of the time text at `span` (read as
// `was`) would give another value in the format's resolution; if not, the
// text stays as it is.
bool timeChanges(int32_t ms, int32_t was, const SubtitleReading& reading);

// Writes `ms` in the format's own form, styled after the time text at
// `span`, to `out` (room for kLongestWrittenTime bytes); returns the byte
// count. A time below zero in a format that holds none is written as zero.
int32_t writeTime(int32_t ms, const uint8_t* text, TimeSpan span, const SubtitleReading& reading, uint8_t* out);

}  // namespace engine
