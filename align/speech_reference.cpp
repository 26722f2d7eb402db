// Speech runs from a speech timeline.
#include "align/speech_reference.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace align {

std::vector<Cue> speechRuns(std::span<const uint8_t> frames, int32_t frameMs) {
    std::vector<Cue> runs;
    const auto n = static_cast<int64_t>(frames.size());
    for (int64_t i = 0; i < n;) {
        if (!frames[static_cast<std::size_t>(i)]) {
            ++i;
            continue;
        }
        int64_t j = i;
        while (j < n && frames[static_cast<std::size_t>(j)]) ++j;
        // A timeline past the 32-bit milliseconds no cue can reach ends there.
        if (j * frameMs > INT32_MAX) break;
        const Cue run{static_cast<int32_t>(i * frameMs), static_cast<int32_t>(j * frameMs)};
        if (!runs.empty() && run.start - runs.back().end < kWordPause) {
            runs.back().end = run.end;
        } else {
            runs.push_back(run);
        }
        i = j;
    }
    std::erase_if(runs, [](const Cue& c) { return c.end - c.start < kShortestUtterance; });
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const int64_t next = k + 1 < runs.size() ? runs[k + 1].start : INT32_MAX;
        runs[k].end = static_cast<int32_t>(std::min<int64_t>(int64_t{runs[k].end} + kLinger, next));
    }
    return runs;
}

void alignToOnsets(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs) {
    if (!found.matched || found.unchanged || runs.empty()) return;
    std::vector<int64_t> onsets;
    onsets.reserve(runs.size());
    for (const Cue& r : runs) onsets.push_back(r.start);
    std::vector<std::vector<int64_t>> distances(found.pieces.size());
    for (const Cue& c : input) {
        const std::size_t p = pieceFor(found.pieces, c.start);
        const int64_t at = mapTime(c.start, found.chosen.ratio, found.pieces[p].shift);
        const auto next = std::lower_bound(onsets.begin(), onsets.end(), at);
        int64_t nearest = next == onsets.end() ? INT64_MAX : *next - at;
        if (next != onsets.begin() && at - *(next - 1) < std::llabs(nearest)) nearest = *(next - 1) - at;
        if (std::llabs(nearest) < kOnsetReach) distances[p].push_back(nearest);
    }
    for (std::size_t p = 0; p < found.pieces.size(); ++p) {
        std::vector<int64_t>& d = distances[p];
        if (d.size() < kLeastOnsets) continue;
        std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
        found.pieces[p].shift += static_cast<int32_t>(d[d.size() / 2]);
    }
}

}  // namespace align
