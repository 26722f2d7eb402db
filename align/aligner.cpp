// Aligning INPUT to REF: for each ratio worth a closer look, candidate offsets
// from the coarse correlation of all of INPUT, each refined to the
// millisecond, and from votes of runs of cues (the offsets of short pieces); the best sequence of offsets over INPUT's cues
// with at most N changes (dynamic programming with a penalty per change);
// each piece's offset refined on its own cues and each change moved to the
// cue where the evidence changes; pieces whose cue edges meet REF's no more
// than chance joined to their neighbour. The ratio: the best score, and among
// close scores the best fit of the cue edges; then a free ratio where the
// pieces show a slow drift, and the identity where INPUT already fits as well.
// Last, the verdict: sure only when no competing mapping (the next ratio, one
// split fewer) fits the cues it would move as well.
#include "align/aligner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "align/boundary_evidence.h"
#include "align/coarse_offsets.h"
#include "align/frame_rates.h"
#include "align/overlap_score.h"

namespace align {
namespace {

// A change of offset must win this much score (about four well-matched
// cues) to be made.
constexpr double kSplitPenalty = 4.0;
// Every ratio is screened by a coarse correlation (bins for both subtitles
// together), and those peaking highest get the whole search, which starts
// from a finer one.
constexpr int64_t kScreeningBins = 1 << 13;
constexpr int64_t kSearchBins = 1 << 15;
constexpr std::size_t kRatiosInDetail = 3;
// Candidate offsets lie at least this far apart before refining.
constexpr int64_t kPeakSpacing = 500;
// Runs of this many cues (overlapping by half) vote for the offsets of short
// pieces, at most kPeaksPerRun each.
constexpr std::size_t kRunCues = 60;
constexpr std::size_t kPeaksPerRun = 4;
// The sequence of offsets also weighs how closely each cue's edges meet
// REF's (0 to 2 a cue), so that cues fitted by chance somewhere else in a
// dense REF do not win over their true place.
constexpr double kEdgeWeight = 0.5;
// Votes for the offsets of short pieces: within this reach of the whole
// film's offset, in bins this wide, at least this many in two neighbouring
// bins.
constexpr int64_t kVoteReach = 20 * 60 * 1000;
constexpr int64_t kVoteBin = 200;
constexpr int32_t kLeastVotes = 8;
constexpr std::size_t kMostVoted = 32;
// Candidate offsets closer than this are taken as one.
constexpr int64_t kSameCandidate = 40;
// A piece's own offset is searched this far around its candidate.
constexpr int64_t kPieceWindow = 1000;
// Neighbouring pieces whose shifts differ by less than this are one: an added
// or cut scene is longer, and a smaller change only follows the jitter of
// REF's timing over a stretch.
constexpr int64_t kShortestEdit = 500;
// The identity is kept when it scores within this share of the best mapping.
constexpr double kKeepAsIs = 0.003;
// A free ratio is tried instead of a frame-rate pair when it moves INPUT's
// last cue by more than this, and kept when it scores better by more than a
// split would; once free, it is refined while it moves it by kFinerDrift.
constexpr double kVisibleDrift = 100.0;
constexpr double kFinerDrift = 10.0;
// Matching cues beyond chance needed, as a share of what chance leaves.
constexpr double kLeastInCommon = 0.4;
constexpr int32_t kLeastPartners = 3;
// A cue and a REF cue whose starts (or ends) differ by less than this after
// mapping are taken as the same moment when measuring a drift.
constexpr int64_t kSameMoment = 500;
// A piece is supported when its cue edges meet REF's so often that chance,
// over every offset and ratio tried, gives that with a probability below
// 10^kLeastSurprise.
constexpr double kLeastSurprise = -2.0;
// Ratios whose mappings score within this share of the best are told apart
// by the fit of the cue edges.
constexpr double kCloseScores = 0.10;
// Verdict: a competing mapping that moves at least kLeastClearCues cues with
// evidence by more than kVisibleMove ms must fit them clearly worse (a test
// statistic of kClearMargin).
constexpr int64_t kVisibleMove = 200;
constexpr double kClearMargin = 3.0;
constexpr int64_t kLeastClearCues = 3;
// Sure needs evidence on at least this share of INPUT's cues.
constexpr double kLeastEvidence = 0.5;

constexpr double kNoScore = -std::numeric_limits<double>::infinity();

// How far a share of cues with a partner lies beyond the share that chance
// gives (REF covering that share of the time): 0 for chance, 1 for all.
double beyondChance(double share, double chance) { return (share - chance) / std::max(1.0 - chance, 0.05); }

struct Fit {
    double ratio = 1.0;
    std::vector<Piece> pieces;
    std::vector<std::size_t> firstCue;  // index of each piece's first cue
    std::vector<bool> supported;        // per piece: its edges meet REF beyond chance
    std::vector<double> scores;         // per piece: its summed score
    double raw = 0;                     // summed score
    double total = kNoScore;            // less the split penalties
};

std::string percent(double share) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", 100 * share);
    return buffer;
}

class Aligner {
public:
    // `widest`: the ratio furthest from 1 that may be tried (a free ratio
    // lies close to a tried one); `trials`: how many ratios are tried.
    Aligner(std::vector<Cue> cues, ReferenceCues ref, std::span<const Cue> rawRef, int maxSplits, double widest,
            double trials)
        : cues_(std::move(cues)), ref_(std::move(ref)), evidence_(rawRef), maxSplits_(maxSplits) {
        int64_t last = 0;
        for (const Cue& c : cues_) last = std::max<int64_t>(last, c.end);
        const double first = std::min<double>(0, cues_.front().start);
        const double reach = std::max(widest, 1 / widest) * 1.05;
        const auto from = static_cast<int64_t>(first * reach) - 1;
        const auto to = static_cast<int64_t>(static_cast<double>(last) * reach) + 1;
        screen_ = std::make_unique<CoarseOffsets>(ref_, from, to, kScreeningBins);
        coarse_ = std::make_unique<CoarseOffsets>(ref_, from, to, kSearchBins);
        // Every offset at which a piece could meet REF, at the meeting
        // distance's resolution, for every ratio tried.
        const double offsets = static_cast<double>(evidence_.last() - evidence_.first()) + static_cast<double>(to - from);
        trials_ = std::max(1.0, offsets / (2.0 * kMeetingDistance)) * trials;
    }

    const std::vector<Cue>& cues() const { return cues_; }
    const ReferenceCues& ref() const { return ref_; }
    const BoundaryEvidence& evidence() const { return evidence_; }

    std::vector<Span> scaled(double ratio) const {
        std::vector<Span> spans;
        spans.reserve(cues_.size());
        for (const Cue& c : cues_) {
            const int64_t start = std::llround(c.start * ratio);
            spans.push_back(Span{start, std::min<int64_t>(std::llround(c.end * ratio), start + kLongestScoredCue)});
        }
        return spans;
    }

    // How high the correlation with REF peaks for the cues scaled by each ratio.
    std::vector<double> screeningScores(const std::vector<double>& ratios) const {
        std::vector<std::vector<Span>> scaledCues;
        std::vector<std::span<const Span>> inputs;
        for (const double r : ratios) scaledCues.push_back(scaled(r));
        for (const auto& c : scaledCues) inputs.emplace_back(c);
        std::vector<double> scores;
        for (const auto& p : screen_->peaksOfEach(inputs, 1, kPeakSpacing)) scores.push_back(p.highest);
        return scores;
    }

    Fit fitWithRatio(double ratio, const std::vector<Span>& spans) {
        Fit fit;
        fit.ratio = ratio;
        const std::vector<int64_t> offsets = candidateOffsets(spans);
        const std::vector<std::size_t> choice = bestSequence(spans, offsets);
        for (std::size_t i = 0; i < choice.size(); ++i) {
            if (i == 0 || choice[i] != choice[i - 1]) {
                fit.firstCue.push_back(i);
                fit.pieces.push_back(Piece{cues_[i].start, static_cast<int32_t>(offsets[choice[i]])});
            }
        }
        refinePieces(spans, fit);
        placeChanges(spans, fit);
        refinePieces(spans, fit);
        while (joinUnsupported(fit)) {
            refinePieces(spans, fit);
            placeChanges(spans, fit);
            refinePieces(spans, fit);
        }
        markSupport(fit);
        return fit;
    }

    // The score of the identity mapping.
    double identityScore() const {
        double score = 0;
        for (const Span& a : scaled(1.0)) score += cueScore(a, ref_, 0);
        return score;
    }

    // Where a fit maps cue i.
    Span mapped(const Fit& fit, std::size_t i, std::size_t piece) const {
        const Cue& c = cues_[i];
        return Span{mapTime(c.start, fit.ratio, fit.pieces[piece].shift), mapTime(c.end, fit.ratio, fit.pieces[piece].shift)};
    }

    // The piece of each cue.
    static std::vector<std::size_t> pieceOfCue(const Fit& fit, std::size_t n) {
        std::vector<std::size_t> piece(n);
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : n;
            for (std::size_t i = fit.firstCue[p]; i < end; ++i) piece[i] = p;
        }
        return piece;
    }

    // How closely the cue edges fit REF under a fit, summed over the cues.
    double edgeFit(const Fit& fit) const {
        double sum = 0;
        const std::vector<std::size_t> piece = pieceOfCue(fit, cues_.size());
        for (std::size_t i = 0; i < cues_.size(); ++i) {
            const Span m = mapped(fit, i, piece[i]);
            sum += evidence_.closeness(m.start, m.end);
        }
        return sum;
    }

    // Whether a mapped time lies where REF has cues.
    bool inReach(const Span& m) const {
        return m.end > evidence_.first() - kMeetingDistance && m.start < evidence_.last() + kMeetingDistance;
    }

    // The ratio that the pieces of `fit` show when INPUT drifts slowly against
    // REF: a least-squares line through the moments matched in each piece,
    // one slope for all pieces. 0 when too little is matched.
    double driftRatio(const Fit& fit) const {
        double sxx = 0;
        double sxy = 0;
        std::size_t points = 0;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : cues_.size();
            // Sums relative to the piece's first cue, for precision.
            const double x0 = cues_[fit.firstCue[p]].start;
            const double y0 = static_cast<double>(mapTime(cues_[fit.firstCue[p]].start, fit.ratio, fit.pieces[p].shift));
            double n = 0, sx = 0, sy = 0, xx = 0, xy = 0;
            auto add = [&](double x, double y) {
                x -= x0;
                y -= y0;
                n += 1;
                sx += x;
                sy += y;
                xx += x * x;
                xy += x * y;
            };
            for (std::size_t i = fit.firstCue[p]; i < end; ++i) {
                const Cue& c = cues_[i];
                const Span m = mapped(fit, i, p);
                const Span* partner = nullptr;
                double most = 0;
                ref_.forEachNear(m, 0, 0, [&](const Span& b) {
                    const double o = static_cast<double>(std::min(m.end, b.end) - std::max(m.start, b.start));
                    if (o > most) {
                        most = o;
                        partner = &b;
                    }
                });
                if (!partner) continue;
                if (std::llabs(partner->start - m.start) < kSameMoment) add(c.start, static_cast<double>(partner->start));
                if (partner->end - partner->start < kLongestScoredCue && std::llabs(partner->end - m.end) < kSameMoment) {
                    add(c.end, static_cast<double>(partner->end));
                }
            }
            if (n < 2) continue;
            sxx += xx - sx * sx / n;
            sxy += xy - sx * sy / n;
            points += static_cast<std::size_t>(n);
        }
        if (points < 10 || sxx <= 0) return 0;
        return sxy / sxx;
    }

private:
    // Candidate offsets: the best offsets around the highest peaks of the
    // whole correlation, and those the runs of cues vote for.
    std::vector<int64_t> candidateOffsets(const std::vector<Span>& spans) {
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

    // Offsets of short pieces, which the correlation of the whole film
    // misses: in each run of kRunCues cues (runs overlapping by half),
    // every pair of a cue and a REF cue of about its length (within
    // kMeetingDistance) within kVoteReach of `centre` votes for the offset
    // that makes their starts meet, in bins of kVoteBin; two neighbouring
    // bins holding kLeastVotes votes or more give a candidate, refined on
    // the run's cues. By chance a pair of bins holds about one vote.
    void addVotedOffsets(const std::vector<Span>& spans, int64_t centre, std::vector<int64_t>& offsets) {
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

    // For each cue the index of its offset: the sequence with the best score
    // less a penalty per change (kSplitPenalty, raised only as far as needed
    // to keep to maxSplits_ changes), each change between cues with different
    // starts. Cues with the same start move together: the sequence runs over
    // groups of them, so that cues piled up at one moment cost one step.
    std::vector<std::size_t> bestSequence(const std::vector<Span>& spans, const std::vector<int64_t>& offsets) {
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

    // The best sequence of offsets over g groups (score[x * k + j]: group x
    // at offset j) less `penalty` per change; returns the number of changes.
    // A very high penalty makes none.
    std::size_t penalisedSequence(const std::vector<float>& score, std::size_t g, std::size_t k, double penalty,
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

    // The scaled end of cue i, whose span `a` may be cut short for scoring.
    int64_t edgeEnd(std::size_t i, const Span& a) const {
        return a.end - a.start < kLongestScoredCue ? a.end : a.start + (static_cast<int64_t>(cues_[i].end) - cues_[i].start);
    }

    std::size_t endOf(const Fit& fit, std::size_t p) const {
        return p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : cues_.size();
    }

    // Each piece's offset searched on its own cues; neighbours that end up
    // with the same offset become one piece.
    void refinePieces(const std::vector<Span>& spans, Fit& fit) {
        fit.raw = 0;
        fit.scores.assign(fit.pieces.size(), 0.0);
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            const std::span<const Span> own(spans.data() + fit.firstCue[p], endOf(fit, p) - fit.firstCue[p]);
            const int64_t offset = fit.pieces[p].shift;
            const OffsetPeak peak = bestOffset(own, ref_, offset - kPieceWindow, offset + kPieceWindow, scratch_);
            fit.pieces[p].shift = static_cast<int32_t>(peak.offset);
            fit.scores[p] = peak.score;
            fit.raw += peak.score;
        }
        std::size_t kept = 0;
        bool joined = false;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            if (kept > 0 && std::abs(fit.pieces[kept - 1].shift - fit.pieces[p].shift) < kShortestEdit) {
                joined = joined || fit.pieces[kept - 1].shift != fit.pieces[p].shift;
                continue;
            }
            fit.pieces[kept] = fit.pieces[p];
            fit.firstCue[kept] = fit.firstCue[p];
            fit.scores[kept] = fit.scores[p];
            ++kept;
        }
        fit.pieces.resize(kept);
        fit.firstCue.resize(kept);
        fit.scores.resize(kept);
        if (joined) return refinePieces(spans, fit);
        fit.total = fit.raw - kSplitPenalty * static_cast<double>(kept - 1);
    }

    // Each change of offset moved to the cue where the evidence changes: the
    // place between the neighbouring changes where the two pieces' offsets
    // score best; where the cues in between fit neither (a stretch without
    // partners), the longest pause among them, where a scene most likely
    // begins.
    void placeChanges(const std::vector<Span>& spans, Fit& fit) const {
        for (std::size_t p = 0; p + 1 < fit.pieces.size(); ++p) {
            const std::size_t from = fit.firstCue[p] + 1;
            const std::size_t to = endOf(fit, p + 1);  // the change lies in [from, to)
            if (to <= from + 1) continue;
            // gain[b]: score of cues [from - 1, b) at piece p's offset and
            // [b, to) at piece p + 1's, less a constant.
            double running = 0;
            std::vector<double> before(to - from + 1), after(to - from + 1);
            for (std::size_t b = from; b < to; ++b) {
                running += cueScore(spans[b - 1], ref_, fit.pieces[p].shift) -
                           cueScore(spans[b - 1], ref_, fit.pieces[p + 1].shift);
                before[b - from] = running;
            }
            double best = kNoScore;
            std::size_t at = fit.firstCue[p + 1];
            int64_t pause = -1;
            for (std::size_t b = from; b < to; ++b) {
                if (cues_[b].start <= cues_[b - 1].start) continue;
                const double gain = before[b - from];
                const int64_t gap = static_cast<int64_t>(cues_[b].start) - std::max(cues_[b - 1].end, cues_[b - 1].start);
                const bool tie = std::fabs(gain - best) <= 1e-9 * std::max(1.0, std::fabs(best));
                if ((gain > best && !tie) || (tie && gap > pause)) {
                    best = std::max(best, gain);
                    at = b;
                    pause = gap;
                }
            }
            fit.firstCue[p + 1] = at;
            fit.pieces[p + 1].from = cues_[at].start;
        }
    }

    // The cue edges of piece p against REF: cues mapped where REF has cues,
    // those meeting it, and how surprising that is by chance.
    struct Support {
        int64_t inReach = 0;
        int64_t met = 0;
        double surprise = 0;
    };
    Support supportOf(const Fit& fit, std::size_t p) const {
        Support s;
        double chance = 0;
        for (std::size_t i = fit.firstCue[p]; i < endOf(fit, p); ++i) {
            const Span m = mapped(fit, i, p);
            if (!inReach(m)) continue;
            ++s.inReach;
            s.met += evidence_.meets(m.start, m.end);
            chance += evidence_.chance(m.start, m.end);
        }
        if (s.inReach > 0) {
            s.surprise = log10Surprise(s.inReach, s.met, chance / static_cast<double>(s.inReach), trials_);
        }
        return s;
    }

    // Marks the supported pieces; the fit's total counts their scores alone
    // (the score of cues fitted where chance put them is no evidence).
    void markSupport(Fit& fit) const {
        fit.supported.assign(fit.pieces.size(), false);
        fit.total = -kSplitPenalty * static_cast<double>(fit.pieces.size() - 1);
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            fit.supported[p] = supportOf(fit, p).surprise <= kLeastSurprise;
            if (fit.supported[p]) fit.total += fit.scores[p];
        }
    }

    // A piece whose edges meet REF no more than chance allows (cues of a cut
    // scene happening to fit some other offset, or cues beyond REF's end)
    // joins the piece before it, or the one after when it is the first. True
    // when any piece went; nothing changes when none is supported.
    bool joinUnsupported(Fit& fit) const {
        if (fit.pieces.size() < 2) return false;
        markSupport(fit);
        if (std::none_of(fit.supported.begin(), fit.supported.end(), [](bool s) { return s; })) return false;
        std::size_t kept = 0;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            if (!fit.supported[p]) continue;
            fit.pieces[kept] = fit.pieces[p];
            fit.firstCue[kept] = kept == 0 ? 0 : fit.firstCue[p];
            ++kept;
        }
        const bool joined = kept < fit.pieces.size();
        fit.pieces.resize(kept);
        fit.firstCue.resize(kept);
        fit.pieces[0].from = cues_[0].start;
        return joined;
    }

    std::vector<Cue> cues_;
    ReferenceCues ref_;
    BoundaryEvidence evidence_;
    int maxSplits_;
    double trials_ = 1;
    std::unique_ptr<CoarseOffsets> screen_;
    std::unique_ptr<CoarseOffsets> coarse_;
    OffsetScratch scratch_;
    std::vector<double> rowScratch_;
    std::vector<uint8_t> changed_;
    std::vector<int32_t> votes_;
};

struct Tried {
    RatioCandidate candidate;
    double screening = 0;
    Fit fit;
};

std::string describe(const Fit& fit) {
    std::string name = frameRatePairName(fit.ratio);
    std::string text = "ratio " + exactDecimal(fit.ratio) + (name.empty() ? "" : " (" + name + ")");
    text += " with " + std::to_string(fit.pieces.size()) + (fit.pieces.size() == 1 ? " piece" : " pieces");
    return text;
}

// Whether `chosen` fits the cues with evidence that `other` would move by
// more than kVisibleMove clearly better: over those cues, the distance of
// their edges from REF's. Two tests, either enough, each at a normal score
// of kClearMargin (about p = 0.001): far more of the cues lie closer under
// `chosen` than under `other` (a sign test: robust where a second
// subtitle's jitter and cues without partners make the distances noisy), or
// the distances are shorter by more than their spread allows (a paired t
// statistic: strong on a few cues that all fit far better). A competitor
// that moves fewer than kLeastClearCues such cues is no competitor.
// Otherwise, what competed.
bool clearlyBetter(const Aligner& aligner, const Fit& chosen, const Fit& other, const std::string& what,
                   std::string& doubt, int64_t* movedCues = nullptr) {
    constexpr int64_t kFarEnough = 1000;  // a distance counts up to this per edge
    const auto& cues = aligner.cues();
    const BoundaryEvidence& evidence = aligner.evidence();
    const auto pieceA = Aligner::pieceOfCue(chosen, cues.size());
    const auto pieceB = Aligner::pieceOfCue(other, cues.size());
    int64_t moved = 0, closerA = 0, closerB = 0;
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i < cues.size(); ++i) {
        const Span a = aligner.mapped(chosen, i, pieceA[i]);
        const Span b = aligner.mapped(other, i, pieceB[i]);
        if (std::llabs(a.start - b.start) <= kVisibleMove) continue;
        if (!evidence.meets(a.start, a.end) && !evidence.meets(b.start, b.end)) continue;
        ++moved;
        const int64_t da = std::min(evidence.distance(a.start, a.end), 2 * kFarEnough);
        const int64_t db = std::min(evidence.distance(b.start, b.end), 2 * kFarEnough);
        closerA += da < db;
        closerB += db < da;
        const auto d = static_cast<double>(db - da);
        sum += d;
        squares += d * d;
    }
    if (movedCues) *movedCues = moved;
    if (moved < kLeastClearCues) return true;
    const auto n = static_cast<double>(moved);
    const double mean = sum / n;
    const double t = mean / std::sqrt(std::max(squares / n - mean * mean, 1.0) / n);
    const double z = closerA + closerB > 0
                         ? static_cast<double>(closerA - closerB) / std::sqrt(static_cast<double>(closerA + closerB))
                         : 0.0;
    if (z >= kClearMargin || (t >= kClearMargin && closerA > closerB)) return true;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "z = %.1f, t = %.1f", z, t);
    doubt = what + " (" + describe(other) + ") would move " + std::to_string(moved) + " cues with evidence by more than " +
            std::to_string(kVisibleMove) + " ms, and the evidence cannot tell the two apart (" + std::to_string(closerB) +
            " of them fit it better, " + std::to_string(closerA) + " the mapping found; " + buffer + ")";
    return false;
}

}  // namespace

std::size_t pieceFor(const std::vector<Piece>& pieces, int32_t start) {
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), start,
                                        [](int32_t s, const Piece& p) { return s < p.from; });
    return after == pieces.begin() ? 0 : static_cast<std::size_t>(after - pieces.begin()) - 1;
}

int64_t mapTime(int64_t t, double ratio, int64_t shift) {
    const double y = static_cast<double>(t) * ratio + static_cast<double>(shift);
    // Beyond what 64 bits hold, the nearest end: never undefined.
    if (!(y > -9.2e18)) return y != y ? 0 : std::numeric_limits<int64_t>::min();
    if (!(y < 9.2e18)) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(y);
}

Alignment alignCues(std::span<const Cue> input, std::span<const Cue> reference, const AlignSettings& settings) {
    Alignment result;
    std::vector<Cue> cues;
    for (const Cue& c : input) {
        if (c.end > c.start) cues.push_back(c);
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    // As in REF, INPUT cues piled up beyond kDeepestPile at one moment say
    // nothing more about timing: they follow the piece of their time.
    std::vector<int32_t> shown;  // ends of the kept cues still shown
    std::size_t kept = 0;
    for (const Cue& c : cues) {
        std::erase_if(shown, [&](int32_t end) { return end <= c.start; });
        if (shown.size() >= kDeepestPile) continue;
        shown.push_back(c.end);
        cues[kept++] = c;
    }
    cues.resize(kept);
    result.cues = static_cast<int32_t>(cues.size());
    std::vector<Span> refSpans;
    for (const Cue& c : reference) refSpans.push_back(Span{c.start, c.end});
    ReferenceCues ref(std::move(refSpans));
    if (cues.empty() || ref.spans().empty()) {
        result.failure = cues.empty() ? "INPUT has no cue with an end after its start"
                                      : "REF has no cue with an end after its start";
        return result;
    }

    // The ratios tried: the forced one, or 1 and every frame-rate pair.
    std::vector<Tried> tried;
    if (settings.fixedRatio) {
        tried.push_back({{*settings.fixedRatio, frameRatePairName(*settings.fixedRatio), 0}, 0, {}});
    } else {
        tried.push_back({{1.0, "", 0}, 0, {}});
        for (const auto& r : frameRateRatios()) tried.push_back({{r.ratio, r.name, 0}, 0, {}});
    }
    double widest = 1.0;
    for (const Tried& t : tried) widest = std::max({widest, t.candidate.ratio, 1 / t.candidate.ratio});
    Aligner aligner(std::move(cues), std::move(ref), reference, std::clamp(settings.maxSplits, 0, kMostSplits), widest,
                    static_cast<double>(tried.size()));
    if (!settings.fixedRatio) {
        std::vector<double> ratios;
        for (const Tried& t : tried) ratios.push_back(t.candidate.ratio);
        const std::vector<double> screening = aligner.screeningScores(ratios);
        for (std::size_t i = 0; i < tried.size(); ++i) tried[i].screening = screening[i];
        std::stable_sort(tried.begin(), tried.end(),
                         [](const Tried& a, const Tried& b) { return a.screening > b.screening; });
        tried.resize(std::min(tried.size(), kRatiosInDetail));
    }

    for (Tried& t : tried) {
        t.fit = aligner.fitWithRatio(t.candidate.ratio, aligner.scaled(t.candidate.ratio));
        t.candidate.score = t.fit.total;
    }
    std::stable_sort(tried.begin(), tried.end(),
                     [](const Tried& a, const Tried& b) { return a.candidate.score > b.candidate.score; });
    // Close scores: the finer evidence of the cue edges decides.
    result.decidedBy = "the overlap score";
    if (tried.size() > 1 && tried[1].candidate.score >= (1 - kCloseScores) * tried[0].candidate.score) {
        std::size_t best = 0;
        std::vector<double> edges;
        for (const Tried& t : tried) {
            edges.push_back(t.candidate.score >= (1 - kCloseScores) * tried[0].candidate.score ? aligner.edgeFit(t.fit)
                                                                                               : kNoScore);
            if (edges.back() > edges[best]) best = edges.size() - 1;
        }
        const std::size_t next = best == 0 ? 1 : 0;
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "the fit of the cue edges (%.1f against %.1f; the overlap scores are within %.0f%%)",
                      edges[best], edges[next], 100 * kCloseScores);
        result.decidedBy = buffer;
        std::rotate(tried.begin(), tried.begin() + static_cast<std::ptrdiff_t>(best), tried.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
    result.chosen = tried.front().candidate;
    Fit best = tried.front().fit;
    std::optional<Fit> competitor;
    if (tried.size() > 1) {
        result.runnerUp = tried[1].candidate;
        competitor = tried[1].fit;
    }

    // A slow drift: a free ratio when the pieces show one that moves the last
    // cue visibly, kept only when it scores better.
    if (!settings.fixedRatio) {
        const auto& all = aligner.cues();
        const double span = static_cast<double>(static_cast<int64_t>(all.back().end) - all.front().start);
        for (int round = 0; round < 3; ++round) {
            const double drift = aligner.driftRatio(best);
            const double least = result.freeRatio ? kFinerDrift : kVisibleDrift;
            if (drift <= 0 || std::fabs(drift - best.ratio) * span < least) break;
            Fit fit = aligner.fitWithRatio(drift, aligner.scaled(drift));
            if (fit.total <= best.total + (result.freeRatio ? 0.0 : kSplitPenalty)) break;
            // The exact ratio of a frame-rate pair is kept unless the free
            // one moves cues with evidence and fits them clearly better: a
            // second subtitle's jitter alone suggests small drifts.
            int64_t moved = 0;
            std::string unused;
            if (!result.freeRatio && (!clearlyBetter(aligner, fit, best, "", unused, &moved) || moved < kLeastClearCues)) break;
            if (!result.freeRatio) {
                result.runnerUp = result.chosen;
                competitor = best;
            }
            best = std::move(fit);
            result.chosen = RatioCandidate{drift, "", best.total};
            result.freeRatio = true;
        }
    }

    // Never worse than doing nothing (within a ratio the user gave).
    const double identity = settings.fixedRatio.value_or(1.0) == 1.0 ? aligner.identityScore() : kNoScore;
    if (identity >= (1.0 - kKeepAsIs) * best.raw) {
        if (result.chosen.ratio != 1.0 || result.freeRatio) result.runnerUp = result.chosen;
        Fit kept;
        kept.ratio = 1.0;
        kept.pieces = {Piece{aligner.cues().front().start, 0}};
        kept.firstCue = {0};
        kept.supported = {true};
        kept.raw = kept.total = identity;
        if (best.pieces.size() > 1 || best.ratio != 1.0 || best.pieces[0].shift != 0) competitor = best;
        best = std::move(kept);
        result.chosen = RatioCandidate{1.0, "", identity};
        result.freeRatio = false;
        result.unchanged = true;
    }
    result.pieces = best.pieces;

    // Partners: cues at least half covered by REF after mapping, among those
    // mapped where REF has cues; chance is the share of that time REF covers.
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    int32_t reached = 0;
    int64_t timeWithEvidence = 0;
    const std::vector<std::size_t> pieceOf = Aligner::pieceOfCue(best, aligner.cues().size());
    for (std::size_t i = 0; i < aligner.cues().size(); ++i) {
        const Span m = aligner.mapped(best, i, pieceOf[i]);
        if (!aligner.inReach(m)) continue;
        ++reached;
        first = std::min(first, m.start);
        last = std::max(last, m.end);
        if (m.end > m.start && 2 * coveredLength(m, aligner.ref()) >= m.end - m.start) ++result.partnered;
        result.met += aligner.evidence().meets(m.start, m.end);
        if (best.supported[pieceOf[i]]) {
            ++result.withEvidence;
            // The time the cue stands for: up to the next cue's start.
            const auto& all = aligner.cues();
            if (i + 1 < all.size()) timeWithEvidence += static_cast<int64_t>(all[i + 1].start) - all[i].start;
        }
    }
    const double chance = reached ? aligner.ref().coverage(first, last) : 1.0;
    const double share = reached ? static_cast<double>(result.partnered) / static_cast<double>(reached) : 0.0;
    const bool supported = std::any_of(best.supported.begin(), best.supported.end(), [](bool s) { return s; });
    result.matched = beyondChance(share, chance) >= kLeastInCommon && result.partnered >= kLeastPartners && supported;
    if (!result.matched) {
        result.failure = "INPUT and REF have too little in common: " + std::to_string(result.partnered) + " of " +
                         std::to_string(reached) + " INPUT cues found a partner, about " +
                         std::to_string(static_cast<int>(std::lround(chance * reached))) + " would by chance";
        if (!supported) result.failure += ", and no stretch meets REF's cue edges more often than chance allows";
        return result;
    }

    // The verdict.
    result.sure = true;
    // Evidence over INPUT's cues and over its time (a REF covering a short
    // part of the film can hold most of the cues of a sparse subtitle).
    const auto& all = aligner.cues();
    const double cueShare = static_cast<double>(result.withEvidence) / static_cast<double>(result.cues);
    const double timeShare = all.size() > 1 ? static_cast<double>(timeWithEvidence) /
                                                  static_cast<double>(std::max<int64_t>(1, static_cast<int64_t>(all.back().start) - all.front().start))
                                            : cueShare;
    result.timeWithEvidence = std::min(1.0, timeShare);
    if (cueShare < kLeastEvidence || timeShare < kLeastEvidence) {
        result.sure = false;
        result.doubt = "REF's cue edges confirm only " + percent(cueShare) + " of INPUT's cues, " + percent(std::min(1.0, timeShare)) +
                       " of its time";
    } else if (competitor && !clearlyBetter(aligner, best, *competitor, "the next candidate", result.doubt)) {
        result.sure = false;
    } else {
        // One split fewer: each piece taking its neighbour's shift.
        for (std::size_t p = 0; p + 1 < best.pieces.size() && result.sure; ++p) {
            for (const bool forward : {true, false}) {
                Fit fewer = best;
                fewer.pieces[forward ? p + 1 : p].shift = best.pieces[forward ? p : p + 1].shift;
                if (!clearlyBetter(aligner, best, fewer, "one split fewer", result.doubt)) {
                    result.sure = false;
                    break;
                }
            }
        }
    }
    return result;
}

}  // namespace align
