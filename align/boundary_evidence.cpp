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

}  // namespace

BoundaryEvidence::BoundaryEvidence(std::span<const Cue> reference) {
    for (const Cue& c : reference) {
        if (c.end <= c.start) continue;
        starts_.push_back(c.start);
        ends_.push_back(c.end);
    }
    std::sort(starts_.begin(), starts_.end());
    std::sort(ends_.begin(), ends_.end());
}

int64_t BoundaryEvidence::nearest(const std::vector<int64_t>& sorted, int64_t t) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), t);
    int64_t best = std::numeric_limits<int64_t>::max();
    if (at != sorted.end()) best = *at - t;
    if (at != sorted.begin()) best = std::min(best, t - *(at - 1));
    return best;
}

int64_t BoundaryEvidence::walk(const std::vector<int64_t>& sorted, int64_t t, std::size_t& cursor) {
    while (cursor < sorted.size() && sorted[cursor] < t) ++cursor;
    int64_t best = std::numeric_limits<int64_t>::max();
    if (cursor < sorted.size()) best = sorted[cursor] - t;
    if (cursor > 0) best = std::min(best, t - sorted[cursor - 1]);
    return best;
}

bool BoundaryEvidence::meets(int64_t start, int64_t end) const {
    return nearest(starts_, start) <= kMeetingDistance || nearest(ends_, end) <= kMeetingDistance;
}

double BoundaryEvidence::closeness(int64_t start, int64_t end) const {
    return closeFrom(nearest(starts_, start)) + closeFrom(nearest(ends_, end));
}

int64_t BoundaryEvidence::distance(int64_t start, int64_t end) const {
    constexpr int64_t kFar = 5000;
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
