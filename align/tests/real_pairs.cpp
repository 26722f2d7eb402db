// Reading the real subtitles' times and making old releases from them.
#include "align/tests/real_pairs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

namespace aligntest {
namespace {

// [h:]m:s[,.]fff, blanks around; nothing when it is no time.
std::optional<int32_t> readTime(std::string text) {
    const std::size_t first = text.find_first_not_of(" \t\r\xef\xbb\xbf");
    if (first == std::string::npos) return std::nullopt;
    text = text.substr(first, text.find_first_of(" \t\r", first) - first);
    int64_t fields[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t digits = 0;
        int64_t value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            value = value * 10 + (text[i++] - '0');
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        fields[0] = fields[1], fields[1] = fields[2], fields[2] = value;
        ++count;
        if (i < text.size() && text[i] == ':' && count < 3) {
            ++i;
            continue;
        }
        break;
    }
    int64_t millis = 0;
    if (i < text.size() && (text[i] == ',' || text[i] == '.')) {
        double scale = 100;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, scale /= 10) {
            millis += static_cast<int64_t>((text[i] - '0') * scale);
        }
    }
    if (count < 2) return std::nullopt;
    return static_cast<int32_t>(((fields[0] * 60 + fields[1]) * 60 + fields[2]) * 1000 + millis);
}

}  // namespace

std::string realSubtitleFolder() { return TESSALY_REAL_SUBTITLES; }

std::vector<Cue> readCueTimes(const std::string& file) {
    std::ifstream in(realSubtitleFolder() + "/" + file, std::ios::binary);
    std::vector<Cue> cues;
    for (std::string line; std::getline(in, line);) {
        const std::size_t arrow = line.find("-->");
        if (arrow == std::string::npos) continue;
        const auto start = readTime(line.substr(0, arrow));
        const auto end = readTime(line.substr(arrow + 3));
        if (start && end) cues.push_back(Cue{*start, *end});
    }
    return cues;
}

std::vector<Cue> firstShare(const std::vector<Cue>& cues, double share) {
    int32_t first = cues.front().start;
    int32_t last = cues.front().end;
    for (const Cue& c : cues) {
        first = std::min(first, c.start);
        last = std::max(last, c.end);
    }
    const double until = first + share * (last - first);
    std::vector<Cue> kept;
    for (const Cue& c : cues) {
        if (c.start < until) kept.push_back(c);
    }
    return kept;
}

MadeInput makeOldRelease(const std::vector<Cue>& source, const OldRelease& old) {
    std::vector<Cue> cues = source;
    std::sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    const int32_t filmEnd = cues.back().end;
    MadeInput made;
    // Old-release time before the ratio: new time less the scenes added so
    // far, plus the old scenes cut so far.
    auto toOld = [&](double oldTime) {
        return static_cast<int32_t>(std::lround((oldTime - old.offset) / old.ratio));
    };
    std::vector<std::pair<Cue, std::optional<Cue>>> all;
    double moved = 0;
    std::size_t next = 0;
    for (const Cue& c : cues) {
        while (next < old.edits.size() && old.edits[next].at <= c.start) {
            const SceneEdit& e = old.edits[next++];
            made.editsAt.push_back(e.at);
            if (e.length > 0) {
                // The old release joins there with the end of the scene too.
                made.editsAt.push_back(e.at + e.length);
                moved -= e.length;
                continue;
            }
            // The old release's scene: dialogue copied from half a film away.
            const int32_t from = (e.at + filmEnd / 2) % filmEnd;
            const double at = e.at + moved;
            for (const Cue& d : cues) {
                if (d.start < from || d.end - from > -e.length - 500) continue;
                all.push_back({Cue{toOld(at + d.start - from), toOld(at + d.end - from)}, std::nullopt});
            }
            moved -= e.length;
        }
        // A cue inside a scene the old release lacks has no INPUT cue.
        if (next > 0 && old.edits[next - 1].length > 0 && c.start < old.edits[next - 1].at + old.edits[next - 1].length) {
            continue;
        }
        all.push_back({Cue{toOld(c.start + moved), toOld(c.end + moved)}, c});
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first.start < b.first.start; });
    for (const auto& [in, truth] : all) {
        made.input.push_back(in);
        made.truth.push_back(truth);
    }
    return made;
}

Accuracy accuracyOf(const MadeInput& made, const align::Alignment& found) {
    Accuracy a;
    int within[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < made.input.size(); ++i) {
        if (!made.truth[i]) continue;
        const Cue& in = made.input[i];
        const align::Piece& piece = found.pieces[align::pieceFor(found.pieces, in.start)];
        const int64_t got = align::mapTime(in.start, found.chosen.ratio, piece.shift);
        const int64_t error = std::llabs(got - made.truth[i]->start);
        ++a.cues;
        for (int k = 0; k < 4; ++k) within[k] += error <= kAccuracyLimits[k];
        if (error > 1000) {
            bool nearEdit = false;
            for (int32_t at : made.editsAt) nearEdit = nearEdit || std::abs(made.truth[i]->start - at) <= 10000;
            a.farOff += !nearEdit;
        }
    }
    for (int k = 0; k < 4; ++k) a.within[k] = a.cues ? static_cast<double>(within[k]) / a.cues : 0;
    return a;
}

}  // namespace aligntest
