// Watching each time line of the re-time for what deserves a warning.
#include "retime/retime_warnings.h"

#include <cstdint>
#include <cstdio>

#include "engine/line_ends.h"
#include "engine/time_text.h"
#include "retime/messages.h"

namespace retime {
namespace {

constexpr size_t kShownBytes = 40;  // of a misread time text

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The text for a message: printable ASCII as it is, other bytes as \xHH,
// at most kShownBytes of it.
std::string shown(const uint8_t* p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n && i < kShownBytes; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '"' && p[i] != '\\') {
            s += static_cast<char>(p[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", p[i]);
            s += hex;
        }
    }
    if (n > kShownBytes) s += "...";
    return s;
}

}  // namespace

std::string standardTimeText(int32_t ms) {
    uint8_t text[engine::kLongestTimeText];
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(engine::writeTimeText(ms, text)));
}

std::optional<int64_t> seemingTime(const uint8_t* p, size_t n) {
    size_t i = 0;
    // A UTF-8 byte-order mark in front of a first time line is no part of it.
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
    while (i < n && p[i] == ' ') ++i;
    int64_t sign = 1;
    if (i < n && (p[i] == '-' || p[i] == '+')) sign = p[i++] == '-' ? -1 : 1;

    int64_t fields[3] = {0, 0, 0};
    int count = 0;
    for (;;) {
        int digits = 0;
        int64_t value = 0;
        while (i < n && isDigit(p[i])) {
            if (++digits > 9) return std::nullopt;
            value = value * 10 + (p[i++] - '0');
        }
        if (digits == 0) return std::nullopt;
        fields[0] = fields[1], fields[1] = fields[2], fields[2] = value;
        if (++count == 3 || i >= n || p[i] != ':') break;
        ++i;
    }
    int64_t millis = 0;
    if (i < n && (p[i] == ',' || p[i] == '.')) {
        ++i;
        int digits = 0;
        for (; i < n && isDigit(p[i]); ++i, ++digits) {
            if (digits < 3) millis = millis * 10 + (p[i] - '0');
            else if (p[i] != '0') return std::nullopt;  // no whole millisecond
        }
        if (digits == 0) return std::nullopt;
        for (; digits < 3; ++digits) millis *= 10;
    }
    if (i < n && p[i] != ' ' && p[i] != '\t') return std::nullopt;
    return sign * (((fields[0] * 60 + fields[1]) * 60 + fields[2]) * 1000 + millis);
}

std::string unheldTimeLine(const std::string& where, int32_t start, int32_t end) {
    return say("%s: %s --> %s maps beyond what a time can hold (%s either side of zero); nothing written",
               {where, standardTimeText(start), standardTimeText(end), standardTimeText(INT32_MAX)});
}

size_t RetimeWarnings::lineNumberOf(size_t offset) {
    // A line end is counted where it begins: every CR, and an LF with no CR
    // in front of it.
    for (; counted_ < offset; ++counted_) {
        const uint8_t c = text_[counted_];
        if (c == engine::kCarriageReturn ||
            (c == engine::kLineFeed && (counted_ == 0 || text_[counted_ - 1] != engine::kCarriageReturn))) {
            ++linesBefore_;
        }
    }
    return linesBefore_ + 1;
}

void RetimeWarnings::checkText(size_t at, size_t length, int32_t reads, size_t lineStart) {
    const std::optional<int64_t> seems = seemingTime(text_ + at, length);
    if (seems && *seems == reads) return;
    if (misreadCount_++ < kLinesNamed) {
        // Shown without the blanks around it, which never count.
        while (length > 0 && text_[at] == ' ') ++at, --length;
        while (length > 0 && text_[at + length - 1] == ' ') --length;
        misread_.push_back({lineNumberOf(lineStart), shown(text_ + at, length), reads});
    }
}

const char* formatName(engine::SubtitleFormat format) {
    switch (format) {
        case engine::SubtitleFormat::Srt: return "SRT";
        case engine::SubtitleFormat::WebVtt: return "WebVTT";
        case engine::SubtitleFormat::Ass: return "ASS/SSA";
        case engine::SubtitleFormat::Sbv: return "SBV";
        case engine::SubtitleFormat::MicroDvd: return "MicroDVD";
    }
    return "?";
}

void RetimeWarnings::timeWritten(const engine::TimeWritten& time) {
    if (time.cueTime) {
        if (time.span.begin == time.found->first.begin) ++timeLines_;
        // Frame numbers are no time texts.
        if (format_ != engine::SubtitleFormat::MicroDvd) {
            checkText(static_cast<size_t>(time.span.begin), static_cast<size_t>(time.span.end - time.span.begin),
                      time.read, static_cast<size_t>(time.found->lineStart));
        }
    }
    if (!time.held && !unheld_) {
        unheld_ = unheldTimeLine(say("line %s", {std::to_string(lineNumberOf(static_cast<size_t>(time.found->lineStart)))}),
                                 time.cue->readStart, time.cue->readEnd);
    }
    if (time.mapped < 0) {
        if (belowZero_ == 0) firstBelowZeroLine_ = lineNumberOf(static_cast<size_t>(time.found->lineStart));
        ++belowZero_;
    }
}

std::vector<ReportWarning> RetimeWarnings::entries() const {
    std::vector<ReportWarning> lines;
    if (timeLines_ == 0) {
        if (format_ == engine::SubtitleFormat::Srt) {
            lines.push_back({std::nullopt, say("warning: the input holds no time line of a known format (SRT or WebVTT "
                                               "\"-->\", ASS/SSA events, SBV, MicroDVD): nothing was re-timed")});
        } else {
            lines.push_back({std::nullopt, say("warning: the input, read as %s, holds no time line: nothing was re-timed",
                                               {formatName(format_)})});
        }
        return lines;
    }
    for (const Misread& m : misread_) {
        lines.push_back({static_cast<int64_t>(m.line),
                         say("warning: line %s: \"%s\" is no time in the standard form and reads as %s",
                             {std::to_string(m.line), m.text, standardTimeText(m.reads)})});
    }
    if (misreadCount_ > misread_.size()) {
        lines.push_back({std::nullopt, say("warning: %s time texts in all read as other times than they seem",
                                           {std::to_string(misreadCount_)})});
    }
    if (belowZero_ > 0) {
        const std::string count = std::to_string(belowZero_), first = std::to_string(firstBelowZeroLine_);
        lines.push_back({static_cast<int64_t>(firstBelowZeroLine_),
                         engine::rulesOf(format_).keepsNegative
                             ? sayCount("warning: %s mapped time falls below zero and is written with \"-\" (the first "
                                        "on line %s)",
                                        "warning: %s mapped times fall below zero and are written with \"-\" (the "
                                        "first on line %s)",
                                        belowZero_, {count, first})
                             : sayCount("warning: %s mapped time falls below zero and is written as zero (%s holds "
                                        "none) (the first on line %s)",
                                        "warning: %s mapped times fall below zero and are written as zero (%s holds "
                                        "none) (the first on line %s)",
                                        belowZero_, {count, formatName(format_), first})});
    }
    return lines;
}

std::vector<std::string> RetimeWarnings::lines() const {
    std::vector<std::string> lines;
    for (const ReportWarning& w : entries()) lines.push_back(w.text);
    return lines;
}

}  // namespace retime
