// What the cues' edges say about a mapping, finer than their overlap: a
// mapped INPUT cue "meets" REF when its start lies within kMeetingDistance of
// a REF cue's start or its end within it of a REF cue's end. Two subtitles of
// one release meet on most cues; a subtitle of another film meets about as
// often as it would moved by any other amount, which is what chance is
// measured by (the same cues moved by a few decoy offsets of many seconds).
#pragma once

#include <stdint.h>

#include <span>
#include <vector>

#include "align/aligner.h"

namespace align {

// Edges closer than this are the same moment of speech: the jitter of a
// second subtitle of the same release, or of one timed on its own.
constexpr int64_t kMeetingDistance = 300;

class BoundaryEvidence {
public:
    // `onsetsOnly`: REF's cues are runs of a film's speech, whose starts are
    // where a cue's start belongs but whose ends say nothing of where a cue
    // ends; the starts then weigh for both edges.
    explicit BoundaryEvidence(std::span<const Cue> reference, bool onsetsOnly = false);

    // Whether the cue, mapped to [start, end), meets REF.
    bool meets(int64_t start, int64_t end) const;
    // How closely, 0 to 2: for the start and the end each, 1 at the same
    // millisecond falling to 0 at kMeetingDistance.
    double closeness(int64_t start, int64_t end) const;
    // The same for the start and the end alone, walking on from `cursor`
    // (starts_ or ends_ index) for times that never decrease between calls.
    double startCloseness(int64_t start, std::size_t& cursor) const {
        return (onsetsOnly_ ? 2.0 : 1.0) * closeFrom(walk(starts_, start, cursor));
    }
    double endCloseness(int64_t end, std::size_t& cursor) const {
        return onsetsOnly_ ? 0.0 : closeFrom(walk(ends_, end, cursor));
    }
    // How far the cue's edges lie from REF's: the nearer start plus the
    // nearer end, each at most a few seconds.
    int64_t distance(int64_t start, int64_t end) const;
    // The share of the decoy offsets at which the cue meets REF: its chance.
    double chance(int64_t start, int64_t end) const;

    // REF's first start and last end.
    int64_t first() const { return starts_.times.empty() ? 0 : starts_.times.front(); }
    int64_t last() const { return ends_.times.empty() ? 0 : ends_.times.back(); }

private:
    // Times in order, with an index of where each bucket of time begins, so
    // that a look-up searches one bucket rather than all of them.
    struct SortedTimes {
        std::vector<int64_t> times;
        std::vector<uint32_t> bucketStart;  // per bucket, the first time at or after its start; one past the last
        int64_t base = 0;
        int shift = 0;  // bucket width 2^shift ms
        void index();
        // The distance from t to the nearest time.
        int64_t nearest(int64_t t) const;
    };

    static int64_t nearest(const SortedTimes& sorted, int64_t t) { return sorted.nearest(t); }
    static int64_t walk(const SortedTimes& sorted, int64_t t, std::size_t& cursor);
    static double closeFrom(int64_t distance) {
        return distance >= kMeetingDistance ? 0.0 : 1.0 - static_cast<double>(distance) / static_cast<double>(kMeetingDistance);
    }

    SortedTimes starts_;
    SortedTimes ends_;
    bool onsetsOnly_ = false;
};

// log10 of the probability that `trials` tries, each of `cues` cues meeting
// by chance with probability `chance`, give one with `met` or more meeting.
double log10Surprise(int64_t cues, int64_t met, double chance, double trials);

}  // namespace align
