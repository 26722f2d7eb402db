// How well INPUT cues, moved by an offset, cover the cues of REF.
//
// A pair of an INPUT cue and a REF cue scores their overlap in time divided
// by the longer of the two: at most 1, for two equal cues that coincide.
// Summed over pairs, the score of an offset is piecewise linear, with four
// kinks per pair, so the best offset within a window is found exactly by
// adding up slope changes and walking the window once.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

namespace align {

// A cue's times in milliseconds, wide enough for any offset added.
struct Span {
    int64_t start;
    int64_t end;
};

// Cues longer than this score as if they were this long: a cue that stays on
// screen for minutes says little about timing, and keeps searches short.
constexpr int64_t kLongestScoredCue = 20000;

// REF cues shown at once beyond this many are left out of scoring.
constexpr std::size_t kDeepestPile = 8;

// The REF cues in start order, each at most kLongestScoredCue long, at most
// kDeepestPile of them at any moment.
class ReferenceCues {
public:
    explicit ReferenceCues(std::vector<Span> spans);

    const std::vector<Span>& spans() const { return spans_; }

    // Calls f(ref) for every REF cue that can overlap `a` moved by any offset
    // in [lo, hi].
    template <class F>
    void forEachNear(const Span& a, int64_t lo, int64_t hi, F&& f) const;

    // The share of [from, to) that REF cues cover.
    double coverage(int64_t from, int64_t to) const;

private:
    std::vector<Span> spans_;
    std::vector<int64_t> starts_;
};

// The best offset in a window and its score.
struct OffsetPeak {
    int64_t offset = 0;
    double score = 0;
};

// The best offset in [lo, hi] for the cues `input`: the middle of the best
// plateau. `scratch` is working memory the caller may reuse.
OffsetPeak bestOffset(std::span<const Span> input, const ReferenceCues& ref, int64_t lo, int64_t hi,
                      std::vector<double>& scratch);

// The score of one cue moved by `offset`.
double cueScore(const Span& a, const ReferenceCues& ref, int64_t offset);

// The part of `a` (already moved) that REF cues cover, in milliseconds.
int64_t coveredLength(const Span& a, const ReferenceCues& ref);

template <class F>
void ReferenceCues::forEachNear(const Span& a, int64_t lo, int64_t hi, F&& f) const {
    // A REF cue b overlaps a + offset for some offset in [lo, hi] when
    // b.start < a.end + hi and b.end > a.start + lo; b.end is at most
    // b.start + kLongestScoredCue.
    const int64_t first = a.start + lo - kLongestScoredCue;
    auto it = std::lower_bound(starts_.begin(), starts_.end(), first);
    for (std::size_t i = static_cast<std::size_t>(it - starts_.begin()); i < spans_.size(); ++i) {
        const Span& b = spans_[i];
        if (b.start >= a.end + hi) break;
        if (b.end > a.start + lo) f(b);
    }
}

}  // namespace align
