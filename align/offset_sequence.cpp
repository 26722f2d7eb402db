// The candidate offsets of a ratio's pieces and the best sequence of them
// over INPUT's cues.
#include "align/piece_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "align/piece_search_tuning.h"

namespace align {
namespace {

// At most this many voted offsets are kept (a wrong ratio drifts from run to
// run and would give every run its own).
constexpr std::size_t kMostVoted = 32;
// Runs of this many cues (overlapping by half) vote for the offsets of short
// pieces, at most kPeaksPerRun each.
constexpr std::size_t kRunCues = 60;
constexpr std::size_t kPeaksPerRun = 4;
// Candidate offsets closer than this are taken as one.
constexpr int64_t kSameCandidate = 40;

}  // namespace

std::vector<int64_t> PieceSearch::candidateOffsets(const std::vector<Span>& spans) {
    const CoarseOffsets::Peaks peaks = coarse_->peaks(spans, static_cast<std::size_t>(maxSplits_ + 8), kPeakSpacing);
    const int64_t w = coarse_->binWidth();
    std::vector<int64_t> offsets;
    for (std::size_t p = 0; p < peaks.offsets.size(); ++p) {
        const int64_t o = peaks.offsets[p];
        const int64_t best = bestOffset(spans, ref_, o - 2 * w, o + 2 * w, scratch_).offset;
        offsets.push_back(best);
    }
    if (maxSplits_ > 0 && !offsets.empty()) addVotedOffsets(spans, offsets.front(), offsets);
    std::sort(offsets.begin(), offsets.end());
    // Offsets closer than kSameCandidate are one candidate: the scores
    // of the cues barely tell them apart, and each piece's offset is
    // refined to the millisecond afterwards.
    offsets.erase(std::unique(offsets.begin(), offsets.end(),
                              [](int64_t a, int64_t b) { return b - a < kSameCandidate; }),
                  offsets.end());
    if (offsets.empty()) offsets.push_back(0);
    return offsets;
}

void PieceSearch::addVotedOffsets(const std::vector<Span>& spans, int64_t centre, std::vector<int64_t>& offsets) {
    const std::vector<Span>& refs = ref_.spans();
    const std::size_t bins = static_cast<std::size_t>(2 * kVoteReach / kVoteBin) + 2;
    votes_.assign(bins, 0);
    std::vector<std::size_t> touched;
    const std::size_t n = spans.size();
    // Offsets already candidates need no refining again: runs mostly
    // vote for the whole film's offset, or a piece's that a run before
    // found.
    std::vector<int64_t> known = offsets;
    std::sort(known.begin(), known.end());
    struct Voted {
        int32_t votes;
        int64_t offset;
        std::size_t from, to;  // the run
    };
    std::vector<Voted> voted;
    auto isKnown = [&](int64_t o) {
        const auto at = std::lower_bound(known.begin(), known.end(), o - 2 * kVoteBin);
        return at != known.end() && *at <= o + 2 * kVoteBin;
    };
    for (std::size_t from = 0; from < n; from += kRunCues / 2) {
        const std::size_t to = std::min(n, from + kRunCues);
        touched.clear();
        ReferenceCues::Cursor cursor;
        for (std::size_t i = from; i < to; ++i) {
            const Span& a = spans[i];
            const int64_t length = a.end - a.start;
            const int64_t lo = a.start + centre - kVoteReach;
            while (cursor.at < refs.size() && refs[cursor.at].start < lo) ++cursor.at;
            for (std::size_t r = cursor.at; r < refs.size() && refs[r].start <= a.start + centre + kVoteReach; ++r) {
                if (std::llabs(refs[r].end - refs[r].start - length) > kMeetingDistance) continue;
                const auto b = static_cast<std::size_t>((refs[r].start - lo) / kVoteBin);
                if (votes_[b]++ == 0) touched.push_back(b);
            }
        }
        // The best pairs of bins, at least two pairs apart.
        std::vector<std::pair<int32_t, std::size_t>> best;  // (votes, bin)
        for (const std::size_t b : touched) {
            const int32_t v = votes_[b] + votes_[b + 1];
            if (v >= kLeastVotes) best.push_back({v, b});
        }
        std::sort(best.begin(), best.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
        std::vector<std::size_t> taken;
        for (const auto& [v, bin] : best) {
            if (taken.size() == kPeaksPerRun) break;
            const std::size_t b = bin;  // a copy: clang 14 (the fuzz build) captures no structured binding
            if (std::any_of(taken.begin(), taken.end(), [&](std::size_t t) { return (t > b ? t - b : b - t) < 3; })) continue;
            taken.push_back(b);
            const int64_t o = centre - kVoteReach + static_cast<int64_t>(b + 1) * kVoteBin;
            if (!isKnown(o)) voted.push_back({v, o, from, to});
        }
        for (const std::size_t b : touched) votes_[b] = 0;
    }
    // The most voted, refined on their runs; at most kMostVoted (a wrong
    // ratio drifts from run to run and would give every run its own).
    std::stable_sort(voted.begin(), voted.end(), [](const Voted& x, const Voted& y) { return x.votes > y.votes; });
    std::size_t added = 0;
    for (const Voted& v : voted) {
        if (added == kMostVoted) break;
        if (isKnown(v.offset)) continue;
        const std::span<const Span> own(spans.data() + v.from, v.to - v.from);
        const int64_t found = bestOffset(own, ref_, v.offset - 2 * kVoteBin, v.offset + 2 * kVoteBin, scratch_).offset;
        offsets.push_back(found);
        known.insert(std::upper_bound(known.begin(), known.end(), found), found);
        ++added;
    }
}

std::vector<std::size_t> PieceSearch::bestSequence(const std::vector<Span>& spans, const std::vector<int64_t>& offsets) {
    const std::size_t n = spans.size();
    const std::size_t k = offsets.size();
    std::vector<std::size_t> groupStart;  // first cue of each group
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || cues_[i].start > cues_[i - 1].start) groupStart.push_back(i);
    }
    const std::size_t g = groupStart.size();
    // The scores offset by offset, each a walk through the cues in start
    // order (and in end order for their ends) alongside REF's.
    std::vector<std::size_t> byEnd(n);
    for (std::size_t i = 0; i < n; ++i) byEnd[i] = i;
    std::stable_sort(byEnd.begin(), byEnd.end(),
                     [&](std::size_t x, std::size_t y) { return edgeEnd(x, spans[x]) < edgeEnd(y, spans[y]); });
    std::vector<float> score(g * k, 0.0f);
    std::vector<double>& cue = rowScratch_;
    cue.assign(n, 0.0);
    for (std::size_t j = 0; j < k; ++j) {
        const int64_t o = offsets[j];
        ReferenceCues::Cursor cursor;
        std::size_t startCursor = 0;
        double overlapScore = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Span& a = spans[i];
            // A cue the same as the one before it overlaps the same.
            if (i == 0 || a.start != spans[i - 1].start || a.end != spans[i - 1].end) {
                overlapScore = cueScore(a, ref_, o, &cursor);
            }
            cue[i] = overlapScore + kEdgeWeight * evidence_.startCloseness(a.start + o, startCursor);
        }
        std::size_t endCursor = 0;
        for (const std::size_t i : byEnd) cue[i] += kEdgeWeight * evidence_.endCloseness(edgeEnd(i, spans[i]) + o, endCursor);
        for (std::size_t x = 0; x < g; ++x) {
            const std::size_t end = x + 1 < g ? groupStart[x + 1] : n;
            double sum = 0;
            for (std::size_t i = groupStart[x]; i < end; ++i) sum += cue[i];
            score[x * k + j] = static_cast<float>(sum);
        }
    }
    std::vector<std::size_t> groupChoice;
    std::size_t changes = penalisedSequence(score, g, k, kSplitPenalty, groupChoice);
    if (changes > static_cast<std::size_t>(maxSplits_)) {
        // A higher penalty: doubled until few enough changes are made,
        // then halved back towards the lowest that keeps to the limit.
        std::vector<std::size_t> fewer;
        double low = kSplitPenalty;
        double high = 2 * kSplitPenalty;
        while ((changes = penalisedSequence(score, g, k, high, fewer)) > static_cast<std::size_t>(maxSplits_)) {
            low = high;
            high *= 2;
        }
        groupChoice = fewer;
        for (int round = 0; round < 3; ++round) {
            const double middle = (low + high) / 2;
            if (penalisedSequence(score, g, k, middle, fewer) > static_cast<std::size_t>(maxSplits_)) {
                low = middle;
            } else {
                high = middle;
                groupChoice = fewer;
            }
        }
    }
    std::vector<std::size_t> choice(n);
    for (std::size_t x = 0; x < g; ++x) {
        const std::size_t end = x + 1 < g ? groupStart[x + 1] : n;
        for (std::size_t i = groupStart[x]; i < end; ++i) choice[i] = groupChoice[x];
    }
    return choice;
}

std::size_t PieceSearch::penalisedSequence(const std::vector<float>& score, std::size_t g, std::size_t k, double penalty,
                                          std::vector<std::size_t>& choice) {
    // value[j]: the best score of the groups so far with the last at
    // offset j; changed[x * k + j]: whether group x came to offset j by a
    // change, from offset bestBefore[x].
    std::vector<double>& value = rowScratch_;
    value.assign(k, 0.0);
    changed_.assign(g * k, 0);
    std::vector<uint32_t> bestBefore(g, 0);
    double best = kNoScore;
    std::size_t arg = 0;
    for (std::size_t j = 0; j < k; ++j) {
        value[j] = score[j];
        if (value[j] > best) {
            best = value[j];
            arg = j;
        }
    }
    for (std::size_t x = 1; x < g; ++x) {
        bestBefore[x] = static_cast<uint32_t>(arg);
        const double move = best - penalty;
        const float* row = &score[x * k];
        uint8_t* flags = &changed_[x * k];
        best = kNoScore;
        for (std::size_t j = 0; j < k; ++j) {
            const bool takeMove = move > value[j];
            flags[j] = takeMove;
            const double v = (takeMove ? move : value[j]) + row[j];
            value[j] = v;
            if (v > best) {
                best = v;
                arg = j;
            }
        }
    }
    std::size_t j = arg;
    choice.assign(g, 0);
    std::size_t changes = 0;
    for (std::size_t x = g; x-- > 0;) {
        choice[x] = j;
        if (x > 0 && changed_[x * k + j]) {
            j = bestBefore[x];
            ++changes;
        }
    }
    return changes;
}

}  // namespace align
