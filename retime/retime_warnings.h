// What tessaly-retime says on standard error besides the result lines, when
// re-timing went through but may not have done what the user thinks: no time
// line at all; a time text not in the standard form that reads as another
// time than it seems ("00:00:01,5" reads as 1.005 s, "00:00:01.2505" as
// 1.25 s, letters as nothing);
// mapped times below zero, written with "-" in SRT and as zero in the formats
// that hold none. The exit status stays as it is.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "retime/one_pass_retime.h"
#include "retime/run_report.h"

namespace retime {

// The time a time text seems to give a reader: optional sign, up to three
// ":"-separated fields (hours, minutes, seconds; read from the right), then
// an optional "," or "." and a decimal fraction of a second; blanks around it,
// anything behind a blank or tab after it (coordinates behind an end time) and
// a UTF-8 byte-order mark in front are no part of it. Nothing when the text
// seems no time, or no whole millisecond.
std::optional<int64_t> seemingTime(const uint8_t* text, size_t length);

// The one line that refuses a time line whose mapped times lie beyond the
// 32-bit range: "WHERE: START --> END maps beyond what a time can hold ...".
std::string unheldTimeLine(const std::string& where, int32_t start, int32_t end);

// A time in the standard form ("00:01:47,250"), as messages show it.
std::string standardTimeText(int32_t ms);

// The name of a format in messages: "SRT", "WebVTT", "ASS/SSA", "SBV", "MicroDVD".
const char* formatName(engine::SubtitleFormat format);

class RetimeWarnings : public TimeLineWatcher {
public:
    // `text` is the input the pass runs over (line numbers are counted in it),
    // read as `format`.
    RetimeWarnings(const uint8_t* text, size_t length, engine::SubtitleFormat format)
        : text_(text), length_(length), format_(format) {}

    void timeWritten(const engine::TimeWritten& time) override;

    // The warning lines, each without its line end; none when all is well.
    std::vector<std::string> lines() const;
    // The same, each with the INPUT line it names (the first, for a count).
    std::vector<ReportWarning> entries() const;

    // Not a warning but the one failure the pass can meet: the first time
    // line whose mapped times lie beyond the 32-bit range, which no output
    // may hold wrapped around. Nothing when every time held.
    std::optional<std::string> unheldTime() const { return unheld_; }

    static constexpr size_t kLinesNamed = 5;  // misread time texts shown one by one

private:
    size_t lineNumberOf(size_t offset);
    void checkText(size_t at, size_t length, int32_t reads, size_t lineStart);

    const uint8_t* text_;
    size_t length_;
    engine::SubtitleFormat format_;
    size_t counted_ = 0;      // line ends are counted up to here
    size_t linesBefore_ = 0;  // line ends before counted_
    size_t timeLines_ = 0;
    struct Misread {
        size_t line;
        std::string text;
        int32_t reads;
    };
    std::vector<Misread> misread_;  // the first kLinesNamed
    size_t misreadCount_ = 0;
    size_t belowZero_ = 0;
    size_t firstBelowZeroLine_ = 0;
    std::optional<std::string> unheld_;
};

}  // namespace retime
