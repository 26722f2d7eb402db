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

    // A place among REF's cues kept between look-ups whose a.start + lo never
    // decreases: each look-up walks on from it instead of searching.
    struct Cursor {
        std::size_t at = 0;
    };

    // Calls f(ref) for every REF cue that can overlap `a` moved by any offset
    // in [lo, hi].
    template <class F>
    void forEachNear(const Span& a, int64_t lo, int64_t hi, F&& f, Cursor* cursor = nullptr) const;

    // The share of [from, to) that REF cues cover.
    double coverage(int64_t from, int64_t to) const;

private:
    std::vector<Span> spans_;
    std::vector<int64_t> starts_;
    // For each cue, the cues (itself included, at most kDeepestPile, in start
    // order) still shown at its start: those of them are all the cues that
    // start at or before it and reach past it, so a look-up never walks back
    // over the cues that ended before.
    std::vector<uint32_t> shownFrom_;  // per cue, where its list begins in `shown_`, and one past the last
    std::vector<uint32_t> shown_;
};

// The best offset in a window and its score.
struct OffsetPeak {
    int64_t offset = 0;
    double score = 0;
};

// Working memory of bestOffset, kept by a caller that calls it often.
struct OffsetScratch {
    struct Event {
        int64_t at;  // offset
        double by;   // change of slope
    };
    std::vector<Event> events;
    std::vector<double> dense;
};

// The best offset in [lo, hi] for the cues `input` (in start order): the
// middle of the best plateau.
OffsetPeak bestOffset(std::span<const Span> input, const ReferenceCues& ref, int64_t lo, int64_t hi,
                      OffsetScratch& scratch);

// The score of one cue moved by `offset`.
double cueScore(const Span& a, const ReferenceCues& ref, int64_t offset, ReferenceCues::Cursor* cursor = nullptr);

// The part of `a` (already moved) that REF cues cover, in milliseconds.
int64_t coveredLength(const Span& a, const ReferenceCues& ref);

template <class F>
void ReferenceCues::forEachNear(const Span& a, int64_t lo, int64_t hi, F&& f, Cursor* cursor) const {
    // A REF cue b overlaps a + offset for some offset in [lo, hi] when
    // b.start < a.end + hi and b.end > a.start + lo: those starting before
    // a.start + lo are still shown at the last start before it, the others
    // follow in start order.
    const int64_t from = a.start + lo;
    const int64_t to = a.end + hi;
    std::size_t first = 0;
    if (cursor) {
        while (cursor->at < starts_.size() && starts_[cursor->at] < from) ++cursor->at;
        first = cursor->at;
    } else {
        first = static_cast<std::size_t>(std::lower_bound(starts_.begin(), starts_.end(), from) - starts_.begin());
    }
    if (first > 0) {
        for (uint32_t k = shownFrom_[first - 1]; k < shownFrom_[first]; ++k) {
            const Span& b = spans_[shown_[k]];
            if (b.end > from && b.start < to) f(b);
        }
    }
    for (std::size_t i = first; i < spans_.size() && spans_[i].start < to; ++i) f(spans_[i]);
}

}  // namespace align
