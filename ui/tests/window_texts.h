// The texts the window tests build and read back: subtitles with known cue
// times, the time lines of an output, and the result lines of the labels.
// Written from the subtitle and time formats alone, not with the program's
// own engine, so that the tests check the program against the formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ui::e2e {

// Time text in the subtitle form: hours at least two digits, "-" in front of
// a negative value.
std::string timeText(int64_t ms);

// A subtitle built from cues: index lines from 1, one dialogue line each,
// a blank line between cues, CR LF line ends.
struct Cue {
    int32_t start;
    int32_t end;
    std::string text;
};
std::string subtitleText(const std::vector<Cue>& cues);

// The start and end of every time line (a line holding "-->") of a text in
// the form "HH:MM:SS,mmm --> HH:MM:SS,mmm" ("." for "," too); nullopt, with
// `error` naming the line, when a time line is not in that form.
struct TimeLine {
    int64_t start;
    int64_t end;
};
std::optional<std::vector<TimeLine>> timeLines(const std::string& text, std::string& error);

// The text with every time line left out: what must pass through unchanged.
std::string withoutTimeLines(const std::string& text);

// Mapping a time with ratio v and shift c as the window does: the product
// and the sum rounded to double each, then truncated toward zero.
int32_t mappedTime(int32_t t, double v, int32_t c);

// A result label's caption: "缩放比率N = " ratio "   平移N = " shift.
struct ResultLine {
    int number;
    double ratio;
    std::string ratioText;
    int64_t shift;
};
std::optional<ResultLine> parseResultLine(const std::string& caption);

}  // namespace ui::e2e
