#include "ui/tests/window_texts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ui::e2e {

namespace {

// One time in the strict form ("," or "." before the milliseconds), with an
// optional "-" in front.
bool readTime(const std::string& s, int64_t& ms) {
    const bool negative = !s.empty() && s[0] == '-';
    unsigned long long h = 0, m = 0, sec = 0, milli = 0;
    char separator = 0;
    int used = 0;
    if (std::sscanf(s.c_str() + (negative ? 1 : 0), "%llu:%2llu:%2llu%c%3llu%n", &h, &m, &sec, &separator, &milli,
                    &used) != 5 ||
        (separator != ',' && separator != '.')) {
        return false;
    }
    if (size_t(used) + (negative ? 1 : 0) != s.size() || s.size() < 12 || m > 59 || sec > 59) return false;
    ms = int64_t(((h * 60 + m) * 60 + sec) * 1000 + milli);
    if (negative) ms = -ms;
    return true;
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

}  // namespace

std::string timeText(int64_t ms) {
    const int64_t m = ms < 0 ? -ms : ms;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld,%03lld", ms < 0 ? "-" : "", (long long)(m / 3600000),
                  (long long)(m / 60000 % 60), (long long)(m / 1000 % 60), (long long)(m % 1000));
    return buf;
}

std::string subtitleText(const std::vector<Cue>& cues) {
    std::string s;
    for (size_t i = 0; i < cues.size(); ++i) {
        if (i) s += "\r\n";
        s += std::to_string(i + 1) + "\r\n" + timeText(cues[i].start) + " --> " + timeText(cues[i].end) + "\r\n" +
             cues[i].text + "\r\n";
    }
    return s;
}

std::optional<std::vector<TimeLine>> timeLines(const std::string& text, std::string& error) {
    std::vector<TimeLine> out;
    for (const std::string& line : crlfLines(text)) {
        if (line.find("-->") == std::string::npos) continue;
        const size_t arrow = line.find(" --> ");
        TimeLine t{};
        if (arrow == std::string::npos || !readTime(line.substr(0, arrow), t.start) ||
            !readTime(line.substr(arrow + 5), t.end)) {
            error = "not a standard time line: \"" + line + "\"";
            return std::nullopt;
        }
        out.push_back(t);
    }
    return out;
}

std::string withoutTimeLines(const std::string& text) {
    std::string out;
    for (const std::string& line : crlfLines(text)) {
        if (line.find("-->") == std::string::npos) out += line + "\n";
    }
    return out;
}

int32_t mappedTime(int32_t t, double v, int32_t c) {
    const double x = double(t) * v;
    const double y = x + double(c);
    return int32_t(uint32_t(uint64_t(int64_t(y))));
}

std::optional<ResultLine> parseResultLine(const std::string& caption) {
    const std::string ratioLabel = "缩放比率";
    const std::string shiftLabel = "   平移";
    if (caption.rfind(ratioLabel, 0) != 0 || caption.size() < ratioLabel.size() + 4) return std::nullopt;
    ResultLine r{};
    r.number = caption[ratioLabel.size()] - '0';
    const std::string afterNumber = " = ";
    if (r.number < 1 || r.number > 4 || caption.compare(ratioLabel.size() + 1, 3, afterNumber) != 0) return std::nullopt;
    const size_t ratioAt = ratioLabel.size() + 4;
    const std::string shiftHead = shiftLabel + char('0' + r.number) + " = ";
    const size_t shiftAt = caption.find(shiftHead, ratioAt);
    if (shiftAt == std::string::npos) return std::nullopt;
    r.ratioText = caption.substr(ratioAt, shiftAt - ratioAt);
    char* end = nullptr;
    r.ratio = std::strtod(r.ratioText.c_str(), &end);
    if (r.ratioText.empty() || *end != '\0') return std::nullopt;
    const std::string shiftText = caption.substr(shiftAt + shiftHead.size());
    // A plain decimal integer, "-" only when negative.
    if (shiftText.empty() || shiftText[0] == '+' || shiftText == "-0") return std::nullopt;
    r.shift = std::strtoll(shiftText.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return r;
}

}  // namespace ui::e2e
