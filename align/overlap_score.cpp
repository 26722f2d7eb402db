// Scoring INPUT cues against REF cues by their overlap in time.
#include "align/overlap_score.h"

#include <functional>
#include <queue>

namespace align {
namespace {

// The pair's weight (1 / the longer length) and the four offsets where the
// slope of its overlap changes: rising from k1 to k2, flat to k3, falling to k4.
struct Kinks {
    double weight;
    int64_t k1, k2, k3, k4;
};

Kinks kinksOf(const Span& a, const Span& b) {
    const int64_t lengthA = a.end - a.start;
    const int64_t lengthB = b.end - b.start;
    const int64_t edgeStart = b.start - a.start;
    const int64_t edgeEnd = b.end - a.end;
    return Kinks{1.0 / static_cast<double>(std::max(lengthA, lengthB)), b.start - a.end,
                 std::min(edgeStart, edgeEnd), std::max(edgeStart, edgeEnd), b.end - a.start};
}

double overlap(const Span& a, const Span& b, int64_t offset) {
    const int64_t from = std::max(a.start + offset, b.start);
    const int64_t to = std::min(a.end + offset, b.end);
    return to > from ? static_cast<double>(to - from) : 0.0;
}

}  // namespace

ReferenceCues::ReferenceCues(std::vector<Span> spans) : spans_(std::move(spans)) {
    spans_.erase(std::remove_if(spans_.begin(), spans_.end(), [](const Span& s) { return s.end <= s.start; }),
                 spans_.end());
    for (Span& s : spans_) s.end = std::min(s.end, s.start + kLongestScoredCue);
    std::sort(spans_.begin(), spans_.end(), [](const Span& x, const Span& y) { return x.start < y.start; });
    // Cues piled up beyond kDeepestPile at one moment say nothing more about
    // timing, and would make every score quadratic: the rest are left out.
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> ends;
    std::size_t kept = 0;
    for (const Span& s : spans_) {
        while (!ends.empty() && ends.top() <= s.start) ends.pop();
        if (ends.size() >= kDeepestPile) continue;
        ends.push(s.end);
        spans_[kept++] = s;
    }
    spans_.resize(kept);
    starts_.reserve(spans_.size());
    for (const Span& s : spans_) starts_.push_back(s.start);
}

double ReferenceCues::coverage(int64_t from, int64_t to) const {
    if (to <= from) return 0;
    return static_cast<double>(coveredLength(Span{from, to}, *this)) / static_cast<double>(to - from);
}

OffsetPeak bestOffset(std::span<const Span> input, const ReferenceCues& ref, int64_t lo, int64_t hi,
                      std::vector<double>& scratch) {
    const std::size_t width = static_cast<std::size_t>(hi - lo + 1);
    // scratch[i]: slope change at offset lo + i; the value and the slope at
    // lo itself are summed directly.
    scratch.assign(width + 1, 0.0);
    double value = 0;
    double slope = 0;
    for (const Span& a : input) {
        ref.forEachNear(a, lo, hi, [&](const Span& b) {
            const Kinks k = kinksOf(a, b);
            value += k.weight * overlap(a, b, lo);
            if (k.k1 <= lo && lo < k.k2) slope += k.weight;
            else if (k.k3 <= lo && lo < k.k4) slope -= k.weight;
            auto change = [&](int64_t at, double by) {
                if (at > lo && at <= hi) scratch[static_cast<std::size_t>(at - lo)] += by;
            };
            change(k.k1, k.weight);
            change(k.k2, -k.weight);
            change(k.k3, -k.weight);
            change(k.k4, k.weight);
        });
    }
    // Walk the window; the values go into scratch as it is passed.
    double best = value;
    for (std::size_t i = 0; i < width; ++i) {
        const double change = scratch[i + 1];
        scratch[i] = value;
        best = std::max(best, value);
        value += slope;
        slope += change;
    }
    // The middle of the first plateau at the best value (rounding aside).
    const double tolerance = 1e-9 * std::max(1.0, best);
    std::size_t first = 0;
    while (scratch[first] < best - tolerance) ++first;
    std::size_t last = first;
    while (last + 1 < width && scratch[last + 1] >= best - tolerance) ++last;
    return OffsetPeak{lo + static_cast<int64_t>((first + last) / 2), best};
}

double cueScore(const Span& a, const ReferenceCues& ref, int64_t offset) {
    double score = 0;
    ref.forEachNear(a, offset, offset, [&](const Span& b) {
        score += overlap(a, b, offset) / static_cast<double>(std::max(a.end - a.start, b.end - b.start));
    });
    return score;
}

int64_t coveredLength(const Span& a, const ReferenceCues& ref) {
    // REF cues come in start order; `reached` keeps overlapping REF cues from
    // counting the same time twice.
    int64_t covered = 0;
    int64_t reached = a.start;
    ref.forEachNear(a, 0, 0, [&](const Span& b) {
        const int64_t from = std::max(reached, b.start);
        const int64_t to = std::min(a.end, b.end);
        if (to > from) {
            covered += to - from;
            reached = to;
        }
    });
    return covered;
}

}  // namespace align
