#include "vexrun/kernel/text/line_ends.h"

#include <algorithm>

namespace vexrun::text {
namespace {

size_t crLfCount(std::u16string_view s) {
    size_t n = 0;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] == u'\r' && s[i + 1] == u'\n') ++n;
    }
    return n;
}

}  // namespace

const char16_t* lineEndText(LineEnd end) {
    switch (end) {
        case LineEnd::Lf: return u"\n";
        case LineEnd::Cr: return u"\r";
        case LineEnd::CrLf: break;
    }
    return u"\r\n";
}

LineEnd usualLineEnd(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') return LineEnd::Lf;
        if (text[i] == u'\r') return i + 1 < text.size() && text[i + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
    }
    return LineEnd::CrLf;
}

KeptLineEnds::KeptLineEnds(std::u16string_view text) : usual_(usualLineEnd(text)) {
    size_t number = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        LineEnd kind;
        if (text[i] == u'\n') {
            kind = LineEnd::Lf;
        } else if (text[i] == u'\r') {
            kind = i + 1 < text.size() && text[i + 1] == u'\n' ? LineEnd::CrLf : LineEnd::Cr;
            if (kind == LineEnd::CrLf) ++i;
        } else {
            continue;
        }
        if (kind != usual_) others_.emplace_back(number, kind);
        ++number;
    }
}

void KeptLineEnds::edited(std::u16string_view before, std::u16string_view after) {
    if (others_.empty()) return;
    size_t prefix = 0;
    const size_t shorter = std::min(before.size(), after.size());
    while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
    // A break is one CR LF: the common start does not end inside one.
    if (prefix > 0 && prefix < before.size() && before[prefix - 1] == u'\r' && before[prefix] == u'\n') --prefix;
    size_t suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    if (suffix > 0 && suffix < before.size() && before[before.size() - suffix] == u'\n' &&
        before[before.size() - suffix - 1] == u'\r') {
        --suffix;
    }
    const size_t breaksBefore = crLfCount(before);
    const size_t startBreaks = crLfCount(before.substr(0, prefix));
    const size_t endBreaks = crLfCount(before.substr(before.size() - suffix));
    const size_t breaksAfter = crLfCount(after);
    std::vector<std::pair<size_t, LineEnd>> kept;
    for (const auto& [number, kind] : others_) {
        if (number < startBreaks) {
            kept.emplace_back(number, kind);
        } else if (number >= breaksBefore - endBreaks) {
            kept.emplace_back(number + breaksAfter - breaksBefore, kind);
        }
    }
    others_ = std::move(kept);
}

std::u16string KeptLineEnds::apply(std::u16string_view shown) const {
    std::u16string out;
    out.reserve(shown.size());
    size_t number = 0;
    auto other = others_.begin();
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == u'\r' && i + 1 < shown.size() && shown[i + 1] == u'\n') {
            LineEnd kind = usual_;
            if (other != others_.end() && other->first == number) kind = (other++)->second;
            out += lineEndText(kind);
            ++number;
            ++i;
        } else {
            out.push_back(shown[i]);
        }
    }
    return out;
}

std::u16string withCrLfBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace vexrun::text
