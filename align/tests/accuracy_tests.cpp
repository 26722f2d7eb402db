// The aligner on generated pairs with a known true mapping: an INPUT subtitle
// of an old release, and a REF subtitle of the new release made from the truth
// the way a second subtitle differs from the first (other segmentation, cues
// split and merged, missing and extra cues, a few hundred ms of jitter).
// Each case reports the median and 95th-percentile error against the truth
// and the share of times within 100 ms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "align/frame_rates.h"

namespace {

using align::Cue;

// An edit of the new release against the old, at INPUT cue `atCue`: a scene
// of `length` ms added in front of that cue, or (length < 0) the cues from
// atCue on, over about -length ms, cut.
struct Edit {
    int atCue;
    int32_t length;
};

struct Case {
    std::string name;
    double ratio;
    int32_t shift;
    std::vector<Edit> edits;
    bool unrelated = false;  // REF of another film: too little in common
};

struct Pair {
    std::vector<Cue> input;
    std::vector<Cue> reference;
    std::vector<std::optional<double>> trueStart, trueEnd;  // per INPUT cue; none when cut
};

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

Pair makePair(const Case& c, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    std::normal_distribution<double> jitter(0, 120);
    auto jittered = [&](double t) { return t + std::clamp(jitter(rng), -400.0, 400.0); };
    constexpr int kCues = 1200;
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

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

std::vector<Case> cases() {
    std::vector<Case> all = {
        {"offset only", 1.0, 2480, {}},
        {"negative offset", 1.0, -1730, {}},
        {"scene added", 1.0, 900, {{500, 31000}}},
        {"scene cut", 25025.0 / 24000.0, 400, {{700, -45000}}},
        {"two edits", 24.0 / 25.0, -1200, {{300, 60000}, {800, -30000}}},
        {"in sync", 1.0, 0, {}},
        {"slow drift", 1.0008, 300, {}},
        {"slow drift, scene added", 0.99935, -600, {{400, 20000}}},
        {"unrelated", 1.0, 0, {}, true},
    };
    for (const auto& r : align::frameRateRatios()) {
        all.push_back(Case{"fps " + r.name, r.ratio, 1100, {{600, 25000}}});
    }
    return all;
}

TEST(AlignerAccuracy, GeneratedPairsMeetTheTargets) {
    unsigned seed = 11;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const Pair pair = makePair(c, seed++);
        const align::Alignment found = align::alignCues(pair.input, pair.reference, align::AlignSettings{});
        if (c.unrelated) {
            EXPECT_FALSE(found.matched);
            std::printf("%-26s too little in common: %s\n", c.name.c_str(), found.failure.c_str());
            continue;
        }
        ASSERT_TRUE(found.matched) << found.failure;
        std::vector<double> errors;
        for (std::size_t i = 0; i < pair.input.size(); ++i) {
            if (!pair.trueStart[i]) continue;
            const align::Piece& piece = found.pieces[align::pieceFor(found.pieces, pair.input[i].start)];
            const double ratio = found.chosen.ratio;
            errors.push_back(std::fabs(align::mapTime(pair.input[i].start, ratio, piece.shift) - *pair.trueStart[i]));
            errors.push_back(std::fabs(align::mapTime(pair.input[i].end, ratio, piece.shift) - *pair.trueEnd[i]));
        }
        const double within100 =
            static_cast<double>(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 100; })) /
            static_cast<double>(errors.size());
        const double within500 =
            static_cast<double>(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 500; })) /
            static_cast<double>(errors.size());
        std::printf("%-26s median %4.0f ms  p95 %5.0f ms  within 100 ms %5.1f%%  ratio %.10g%s  pieces %zu\n",
                    c.name.c_str(), percentile(errors, 0.5), percentile(errors, 0.95), 100 * within100, found.chosen.ratio,
                    found.freeRatio ? " (free)" : "", found.pieces.size());
        EXPECT_LE(percentile(errors, 0.95), 100);
        EXPECT_GE(within500, 0.99);
        if (c.name == "in sync") {
            EXPECT_LE(*std::max_element(errors.begin(), errors.end()), 20);
        }
        if (c.ratio == 1.0 || !align::frameRatePairName(c.ratio).empty()) {
            // A frame-rate pair (or none) is found exactly, not as a free ratio.
            EXPECT_EQ(found.chosen.ratio, c.ratio);
        }
    }
}

}  // namespace
