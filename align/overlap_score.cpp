// Scoring INPUT cues against REF cues by their overlap in time.
#include "align/overlap_score.h"

#include <cmath>
#include <utility>


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
    std::vector<uint32_t> shown;  // indices of the kept cues still shown, in start order
    std::size_t kept = 0;
    shownFrom_.push_back(0);
    for (const Span& s : spans_) {
        std::erase_if(shown, [&](uint32_t k) { return spans_[k].end <= s.start; });
        if (shown.size() >= kDeepestPile) continue;
        shown.push_back(static_cast<uint32_t>(kept));
        spans_[kept++] = s;
        shown_.insert(shown_.end(), shown.begin(), shown.end());
        shownFrom_.push_back(static_cast<uint32_t>(shown_.size()));
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
                      OffsetScratch& scratch) {
    // The value and the slope at lo are summed directly; every kink beyond
    // lo changes the slope at an offset in (lo, hi]. A window wide against
    // the cues keeps its kinks as a list, sorted; a narrow one adds them up
    // per offset.
    const auto width = static_cast<std::size_t>(hi - lo + 1);
    const bool sparse = width > 64 * input.size();
    std::vector<OffsetScratch::Event>& events = scratch.events;
    std::vector<double>& change = scratch.dense;
    events.clear();
    if (!sparse) change.assign(width + 1, 0.0);
    double value = 0;
    double slope = 0;
    ReferenceCues::Cursor cursor;
    for (const Span& a : input) {
        ref.forEachNear(
            a, lo, hi,
            [&](const Span& b) {
                const Kinks k = kinksOf(a, b);
                value += k.weight * overlap(a, b, lo);
                if (k.k1 <= lo && lo < k.k2) slope += k.weight;
                else if (k.k3 <= lo && lo < k.k4) slope -= k.weight;
                auto kink = [&](int64_t at, double by) {
                    if (at <= lo || at > hi) return;
                    if (sparse) events.push_back({at, by});
                    else change[static_cast<std::size_t>(at - lo)] += by;
                };
                kink(k.k1, k.weight);
                kink(k.k2, -k.weight);
                kink(k.k3, -k.weight);
                kink(k.k4, k.weight);
            },
            &cursor);
    }
    if (!sparse) {
        // Walk the window; the values go into `change` as it is passed.
        double best = value;
        for (std::size_t i = 0; i < width; ++i) {
            const double next = change[i + 1];
            change[i] = value;
            best = std::max(best, value);
            value += slope;
            slope += next;
        }
        // The middle of the first plateau at the best value (rounding aside).
        const double tolerance = 1e-9 * std::max(1.0, best);
        std::size_t first = 0;
        while (change[first] < best - tolerance) ++first;
        std::size_t last = first;
        while (last + 1 < width && change[last + 1] >= best - tolerance) ++last;
        return OffsetPeak{lo + static_cast<int64_t>((first + last) / 2), best};
    }

    // Sparse: the score is linear between kinks, taken as segments.
    std::sort(events.begin(), events.end(),
              [](const OffsetScratch::Event& x, const OffsetScratch::Event& y) { return x.at < y.at; });
    struct Segment {
        int64_t from, to;     // offsets, both included
        double value, slope;  // the value at `from`, and per millisecond
        double at(int64_t x) const { return value + slope * static_cast<double>(x - from); }
    };
    std::vector<Segment> segments;
    segments.reserve(events.size() + 1);
    int64_t x = lo;
    std::size_t e = 0;
    double best = value;
    for (;;) {
        const int64_t next = e < events.size() ? events[e].at : hi;
        segments.push_back({x, next, value, slope});
        value = segments.back().at(next);
        best = std::max(best, value);
        x = next;
        if (e == events.size()) break;
        while (e < events.size() && events[e].at == x) slope += events[e++].by;
    }
    // The middle of the first plateau at the best value, as above.
    const double least = best - 1e-9 * std::max(1.0, best);
    int64_t first = hi + 1;
    int64_t last = hi;
    for (const Segment& g : segments) {
        // The segment's offsets at the best value: [from, to] cut where the
        // line crosses `least`.
        int64_t a = g.from;
        int64_t b = g.to;
        if (g.slope > 0) {
            if (g.at(g.to) < least) continue;
            a = std::max(g.from, g.from + static_cast<int64_t>(std::ceil((least - g.value) / g.slope)));
        } else if (g.slope < 0) {
            if (g.value < least) continue;
            b = std::min(g.to, g.from + static_cast<int64_t>(std::floor((g.value - least) / -g.slope)));
        } else if (g.value < least) {
            continue;
        }
        if (a > b) continue;
        if (first > hi) {
            first = a;
            last = b;
        } else if (a <= last + 1) {
            last = std::max(last, b);
        } else {
            break;
        }
    }
    if (first > hi) first = last = lo;
    return OffsetPeak{lo + ((first - lo) + (last - lo)) / 2, best};
}

double cueScore(const Span& a, const ReferenceCues& ref, int64_t offset, ReferenceCues::Cursor* cursor) {
    double score = 0;
    ref.forEachNear(
        a, offset, offset,
        [&](const Span& b) {
            score += overlap(a, b, offset) / static_cast<double>(std::max(a.end - a.start, b.end - b.start));
        },
        cursor);
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
