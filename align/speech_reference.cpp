// Speech runs from a speech timeline.
#include "align/speech_reference.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "align/boundary_evidence.h"
#include "align/piece_search_tuning.h"
#include "messages/messages.h"

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

std::vector<Cue> utterances(std::span<const Cue> runs) {
    std::vector<Cue> kept;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (k == 0 || runs[k - 1].end < runs[k].start) kept.push_back(runs[k]);
    }
    return kept;
}

void alignToOnsets(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs) {
    if (!found.matched || found.unchanged || runs.empty()) return;
    std::vector<int64_t> onsets;
    for (const Cue& r : utterances(runs)) onsets.push_back(r.start);
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

namespace {

// The doubt about INPUT's first (or last) stretch, "" when there is none.
std::string endStretchDoubt(const Alignment& found, std::span<const Cue> cues, const BoundaryEvidence& evidence, bool first) {
    const std::size_t piece = first ? 0 : found.pieces.size() - 1;
    const double ratio = found.chosen.ratio;
    const int64_t shift = found.pieces[piece].shift;
    std::vector<Cue> stretch;  // mapped where speech is
    std::size_t inPiece = 0;
    for (std::size_t k = 0; k < cues.size(); ++k) {
        const Cue& c = cues[first ? k : cues.size() - 1 - k];
        if (pieceFor(found.pieces, c.start) != piece) break;
        ++inPiece;
        if (stretch.size() == kEndStretchCues) continue;
        const int64_t start = mapTime(c.start, ratio, shift);
        const int64_t end = mapTime(c.end, ratio, shift);
        if (end > evidence.first() - kMeetingDistance && start < evidence.last() + kMeetingDistance) stretch.push_back(c);
    }
    // Too few to judge, or the stretch is its piece: its shift is its own.
    if (stretch.size() < kEndStretchCues || inPiece <= stretch.size()) return "";
    auto meetings = [&](int64_t moved) {
        int64_t met = 0;
        for (const Cue& c : stretch) met += evidence.meets(mapTime(c.start, ratio, moved), mapTime(c.end, ratio, moved));
        return met;
    };
    const int64_t met = meetings(shift);
    double chance = 0;
    for (const Cue& c : stretch) chance += evidence.chance(mapTime(c.start, ratio, shift), mapTime(c.end, ratio, shift));
    const auto n = static_cast<int64_t>(stretch.size());
    const double share = chance / static_cast<double>(n);
    if (log10Surprise(n, met, share, 1.0) <= kEndSurprise) return "";
    // At chance where it is: doubtful when another shift makes it meet
    // beyond chance. Nearer shifts are the runs' jitter, not an edit.
    int64_t most = 0, other = 0;
    for (int64_t d = -kEndReach; d <= kEndReach; d += kEndStep) {
        if (std::llabs(d) < kShortestEdit + 2 * kMeetingDistance) continue;
        const int64_t m = meetings(shift + d);
        if (m > most) {
            most = m;
            other = d;
        }
    }
    const double trials = static_cast<double>(kEndReach) / static_cast<double>(kMeetingDistance);
    if (log10Surprise(n, most, share, trials) > kEndSurprise) return "";
    const Cue& lo = first ? stretch.front() : stretch.back();
    const Cue& hi = first ? stretch.back() : stretch.front();
    char from[32], to[32], byChance[32], away[32];
    std::snprintf(from, sizeof from, "%.3f", lo.start / 1000.0);
    std::snprintf(to, sizeof to, "%.3f", hi.start / 1000.0);
    std::snprintf(byChance, sizeof byChance, "%.0f", chance);
    std::snprintf(away, sizeof away, "%+.3f", static_cast<double>(other) / 1000.0);
    const std::string stretchCues = std::to_string(n), meeting = std::to_string(met), elsewhere = std::to_string(most);
    return first ? messages::say("the first %s cues of INPUT (%s s to %s s) meet the speech no more often than chance "
                                 "at the shift the cues after them set (%s of them, about %s by chance), but %s of them "
                                 "at %s s from it: a scene added or cut there may have been missed",
                                 {stretchCues, from, to, meeting, byChance, elsewhere, away})
                 : messages::say("the last %s cues of INPUT (%s s to %s s) meet the speech no more often than chance "
                                 "at the shift the cues before them set (%s of them, about %s by chance), but %s of them "
                                 "at %s s from it: a scene added or cut there may have been missed",
                                 {stretchCues, from, to, meeting, byChance, elsewhere, away});
}

}  // namespace

void doubtEndStretches(Alignment& found, std::span<const Cue> input, std::span<const Cue> runs) {
    if (!found.matched || !found.sure || runs.empty()) return;
    std::vector<Cue> cues;
    for (const Cue& c : input) {
        if (c.end > c.start) cues.push_back(c);
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    const BoundaryEvidence evidence(runs);
    for (const bool first : {true, false}) {
        std::string doubt = endStretchDoubt(found, cues, evidence, first);
        if (!doubt.empty()) {
            found.sure = false;
            found.doubt = std::move(doubt);
            return;
        }
    }
}

}  // namespace align
