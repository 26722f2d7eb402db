// Generated pairs of subtitles with a known true mapping.
#include "align/tests/generated_pairs.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace aligntest {
namespace {

std::vector<Cue> dialogue(std::mt19937& rng, int count, int32_t from) {
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<Cue> cues;
    double t = from;
    for (int i = 0; i < count; ++i) {
        const double p = u(rng);
        t += p < 0.7 ? 200 + 1800 * u(rng) : p < 0.96 ? 2000 + 6000 * u(rng) : 15000 + 75000 * u(rng);
        const double length = 800 + 5200 * u(rng);
        cues.push_back(Cue{static_cast<int32_t>(t), static_cast<int32_t>(t + length)});
        t += length;
    }
    return cues;
}

}  // namespace

Pair makePair(const Case& c, unsigned seed, int kCues) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    std::normal_distribution<double> jitter(0, 120);
    auto jittered = [&](double t) { return t + std::clamp(jitter(rng), -400.0, 400.0); };
    Pair pair;
    pair.input = dialogue(rng, kCues, 30000);

    // The truth, and what the new release holds: each kept cue at its true
    // time, and the dialogue of every added scene.
    std::vector<Cue> shown;
    double extra = 0;  // summed length of the edits so far, in new-release time
    std::size_t edit = 0;
    for (int i = 0; i < kCues; ++i) {
        const Cue& cue = pair.input[i];
        std::optional<double> start, end;
        if (edit < c.edits.size() && c.edits[edit].atCue == i) {
            const Edit& e = c.edits[edit++];
            const double gapStart = i > 0 ? pair.input[i - 1].end : 0;
            const double at = c.ratio * (gapStart + cue.start) / 2 + c.shift + extra;
            if (e.length > 0) {
                for (const Cue& s : dialogue(rng, e.length / 4000, 0)) {
                    if (s.end < e.length - 500) shown.push_back(Cue{int32_t(at + s.start), int32_t(at + s.end)});
                }
                extra += e.length;
            } else {
                // Skip the cues of the cut; the new release goes on where it ended.
                int last = i;
                while (last + 1 < kCues && pair.input[last + 1].start - cue.start < -e.length) ++last;
                const double resume = c.ratio * (pair.input[last].end + pair.input[last + 1].start) / 2;
                extra -= resume + c.shift + extra - at;
                for (; i <= last; ++i) {
                    pair.trueStart.emplace_back();
                    pair.trueEnd.emplace_back();
                }
                --i;
                continue;
            }
        }
        start = c.ratio * cue.start + c.shift + extra;
        end = c.ratio * cue.end + c.shift + extra;
        pair.trueStart.push_back(start);
        pair.trueEnd.push_back(end);
        shown.push_back(Cue{static_cast<int32_t>(*start), static_cast<int32_t>(*end)});
    }
    std::sort(shown.begin(), shown.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });

    // A second subtitle of it: some lines missing, some split, some merged
    // with the next, a few extra, every time jittered.
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const double p = u(rng);
        Cue cue = shown[i];
        if (p < 0.08) continue;
        if (p < 0.20 && i + 1 < shown.size() && shown[i + 1].start - cue.end < 1500) {
            cue.end = shown[++i].end;
        } else if (p < 0.32) {
            const int32_t middle = (cue.start + cue.end) / 2;
            pair.reference.push_back(Cue{int32_t(jittered(cue.start)), int32_t(jittered(middle - 80))});
            cue.start = middle + 80;
        }
        pair.reference.push_back(Cue{int32_t(jittered(cue.start)), int32_t(jittered(cue.end))});
    }
    const int32_t last = shown.back().end;
    for (int i = 0; i < static_cast<int>(shown.size()) / 16; ++i) {
        const int32_t at = static_cast<int32_t>(u(rng) * last);
        pair.reference.push_back(Cue{at, at + 1000 + static_cast<int32_t>(2000 * u(rng))});
    }
    if (c.unrelated) pair.reference = dialogue(rng, kCues, 20000);
    std::shuffle(pair.reference.begin(), pair.reference.end(), rng);
    return pair;
}

std::string srtText(const std::vector<Cue>& cues, const std::string& text) {
    std::string out;
    auto time = [](int32_t ms) {
        char b[32];
        const char* sign = ms < 0 ? "-" : "";
        ms = ms < 0 ? -ms : ms;
        std::snprintf(b, sizeof b, "%s%02d:%02d:%02d,%03d", sign, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                      ms % 1000);
        return std::string(b);
    };
    for (std::size_t i = 0; i < cues.size(); ++i) {
        out += std::to_string(i + 1) + "\r\n" + time(cues[i].start) + " --> " + time(cues[i].end) + "\r\n" + text +
               " " + std::to_string(i + 1) + "\r\n\r\n";
    }
    return out;
}

}  // namespace aligntest
