// Cue edges as evidence for a mapping.
#include "align/boundary_evidence.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace align {
namespace {

// Decoys: offsets far beyond any jitter and unlike each other, so that the
// rhythm of speech does not line them up with the true one.
constexpr std::array<int64_t, 8> kDecoys = {-53900, -37100, -23700, -11300, 11300, 23700, 37100, 53900};

// At most this many buckets of time in an index (2^20: 4 MB).
constexpr int kMostBucketsLog = 20;
// Buckets at least this wide (2^10 ms).
constexpr int kNarrowestBucketLog = 10;

}  // namespace

BoundaryEvidence::BoundaryEvidence(std::span<const Cue> reference, bool onsetsOnly) : onsetsOnly_(onsetsOnly) {
    for (const Cue& c : reference) {
        if (c.end <= c.start) continue;
        starts_.times.push_back(c.start);
        ends_.times.push_back(c.end);
    }
    starts_.index();
    ends_.index();
}

void BoundaryEvidence::SortedTimes::index() {
    std::sort(times.begin(), times.end());
    if (times.empty()) return;
    base = times.front();
    const int64_t span = times.back() - base + 1;
    shift = kNarrowestBucketLog;
    while ((span >> shift) >= (int64_t{1} << kMostBucketsLog)) ++shift;
    const auto buckets = static_cast<std::size_t>(span >> shift) + 1;
    bucketStart.assign(buckets + 1, 0);
    std::size_t at = 0;
    for (std::size_t b = 0; b <= buckets; ++b) {
        const int64_t from = base + (static_cast<int64_t>(b) << shift);
        while (at < times.size() && times[at] < from) ++at;
        bucketStart[b] = static_cast<uint32_t>(at);
    }
}

int64_t BoundaryEvidence::SortedTimes::nearest(int64_t t) const {
    // The first time at or after t: searched within t's bucket.
    if (times.empty()) return std::numeric_limits<int64_t>::max();
    std::size_t at = 0;
    if (t <= base) {
        at = 0;
    } else if (t > times.back()) {
        at = times.size();
    } else {
        const auto b = static_cast<std::size_t>((t - base) >> shift);
        at = static_cast<std::size_t>(
            std::lower_bound(times.begin() + bucketStart[b], times.begin() + bucketStart[b + 1], t) - times.begin());
    }
    int64_t best = std::numeric_limits<int64_t>::max();
    if (at < times.size()) best = times[at] - t;
    if (at > 0) best = std::min(best, t - times[at - 1]);
    return best;
}

int64_t BoundaryEvidence::walk(const SortedTimes& sorted, int64_t t, std::size_t& cursor) {
    const std::vector<int64_t>& times = sorted.times;
    while (cursor < times.size() && times[cursor] < t) ++cursor;
    int64_t best = std::numeric_limits<int64_t>::max();
    if (cursor < times.size()) best = times[cursor] - t;
    if (cursor > 0) best = std::min(best, t - times[cursor - 1]);
    return best;
}

bool BoundaryEvidence::meets(int64_t start, int64_t end) const {
    if (onsetsOnly_) return nearest(starts_, start) <= kMeetingDistance;
    return nearest(starts_, start) <= kMeetingDistance || nearest(ends_, end) <= kMeetingDistance;
}

double BoundaryEvidence::closeness(int64_t start, int64_t end) const {
    if (onsetsOnly_) return 2 * closeFrom(nearest(starts_, start));
    return closeFrom(nearest(starts_, start)) + closeFrom(nearest(ends_, end));
}

int64_t BoundaryEvidence::distance(int64_t start, int64_t end) const {
    constexpr int64_t kFar = 5000;
    if (onsetsOnly_) return 2 * std::min(nearest(starts_, start), kFar);
    return std::min(nearest(starts_, start), kFar) + std::min(nearest(ends_, end), kFar);
}

double BoundaryEvidence::chance(int64_t start, int64_t end) const {
    int met = 0;
    for (const int64_t d : kDecoys) met += meets(start + d, end + d);
    return static_cast<double>(met) / static_cast<double>(kDecoys.size());
}

double log10Surprise(int64_t cues, int64_t met, double chance, double trials) {
    if (met <= 0 || cues <= 0) return 0;
    // A chance never seen at the decoys is still not nought.
    const double p = std::clamp(chance, 0.5 / static_cast<double>(kDecoys.size() * 4), 0.999);
    // The binomial tail P(X >= met), summed in logs from its largest term.
    const double n = static_cast<double>(cues);
    double logTail = -std::numeric_limits<double>::infinity();
    for (int64_t k = met; k <= cues; ++k) {
        const double kk = static_cast<double>(k);
        const double term = std::lgamma(n + 1) - std::lgamma(kk + 1) - std::lgamma(n - kk + 1) + kk * std::log(p) +
                            (n - kk) * std::log1p(-p);
        const double high = std::max(logTail, term);
        logTail = high + std::log(std::exp(logTail - high) + std::exp(term - high));
        if (term < logTail - 40) break;  // the rest adds nothing
    }
    return std::min(0.0, (logTail + std::log(std::max(trials, 1.0))) / std::log(10.0));
}

}  // namespace align
