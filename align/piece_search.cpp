// Finding the pieces of a mapping for one ratio.
#include "align/piece_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace align {
namespace {

// Every ratio is screened by a coarse correlation (bins for both subtitles
// together); the whole search starts from a finer one.
constexpr int64_t kScreeningBins = 1 << 13;
constexpr int64_t kSearchBins = 1 << 15;
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
// A cue and a REF cue whose starts (or ends) differ by less than this after
// mapping are taken as the same moment when measuring a drift.
constexpr int64_t kSameMoment = 500;
// A piece is supported when its cue edges meet REF's so often that chance,
// over every offset and ratio tried, gives that with a probability below
// 10^kLeastSurprise.
constexpr double kLeastSurprise = -2.0;
// A piece short of that stays between its neighbours when its cues meet
// REF's edges beyond chance at its own offset (10^kLeastLocalSurprise, as
// if that offset alone were tried) and fit clearly better than under either
// neighbour's shift: a short stretch between two edits.
constexpr double kLeastLocalSurprise = -3.0;
// Stretches left at a wrong shift are looked for in windows of this many
// cues (overlapping by half), with at least kLeastInReach of them mapped
// where REF has cues; the kStretchShifts most voted shifts of each tried.
constexpr std::size_t kStretchCues = 30;
constexpr int64_t kLeastInReach = 12;
constexpr std::size_t kStretchShifts = 3;
// A stretch found so must reach this many cues: half as many again as the
// window it was found in. Shorter ones, at chance under their shift and
// fitting some other one better, are common in a film with dense dialogue.
constexpr std::size_t kLongOddStretch = kStretchCues * 3 / 2;
// Before trying a shift on the whole mapping, the window's cues closer to
// REF's edges under it must outnumber those closer under their piece's shift
// by this many standard deviations (a sign test).
constexpr double kWindowMargin = 2.0;

}  // namespace

PieceSearch::PieceSearch(std::vector<Cue> cues, ReferenceCues ref, std::span<const Cue> rawRef, int maxSplits,
                         double widest, double trials)
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

std::vector<Span> PieceSearch::scaled(double ratio) const {
    std::vector<Span> spans;
    spans.reserve(cues_.size());
    for (const Cue& c : cues_) {
        const int64_t start = std::llround(c.start * ratio);
        spans.push_back(Span{start, std::min<int64_t>(std::llround(c.end * ratio), start + kLongestScoredCue)});
    }
    return spans;
}

std::vector<double> PieceSearch::screeningScores(const std::vector<double>& ratios) const {
    std::vector<std::vector<Span>> scaledCues;
    std::vector<std::span<const Span>> inputs;
    for (const double r : ratios) scaledCues.push_back(scaled(r));
    for (const auto& c : scaledCues) inputs.emplace_back(c);
    std::vector<double> scores;
    for (const auto& p : screen_->peaksOfEach(inputs, 1, kPeakSpacing)) scores.push_back(p.highest);
    return scores;
}

Fit PieceSearch::fitWithRatio(double ratio, const std::vector<Span>& spans) {
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
    settle(spans, fit);
    return fit;
}

Fit PieceSearch::refitWithRatio(const Fit& fit, double ratio) {
    Fit refit = fit;
    refit.ratio = ratio;
    // Each piece's first cue kept where it was, then everything settled again.
    for (std::size_t p = 0; p < refit.pieces.size(); ++p) {
        const double at = cues_[refit.firstCue[p]].start;
        refit.pieces[p].shift = static_cast<int32_t>(std::llround(fit.pieces[p].shift + at * (fit.ratio - ratio)));
    }
    settle(scaled(ratio), refit);
    return refit;
}

void PieceSearch::settle(const std::vector<Span>& spans, Fit& fit) {
    refinePieces(spans, fit);
    placeChanges(spans, fit);
    refinePieces(spans, fit);
    while (joinUnsupported(fit)) {
        refinePieces(spans, fit);
        placeChanges(spans, fit);
        refinePieces(spans, fit);
    }
    markSupport(fit);
}

std::vector<PieceSearch::OddStretch> PieceSearch::oddStretches(const Fit& fit) {
    std::vector<OddStretch> found;
    if (maxSplits_ == 0 || fit.pieces.empty()) return found;
    if (std::none_of(fit.supported.begin(), fit.supported.end(), [](bool b) { return b; })) return found;
    const std::vector<Span> spans = scaled(fit.ratio);
    const std::vector<Span>& refs = ref_.spans();
    const std::size_t bins = static_cast<std::size_t>(2 * kVoteReach / kVoteBin) + 2;
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const std::size_t end = endOf(fit, p);
        for (std::size_t from = fit.firstCue[p]; from < end; from += kStretchCues / 2) {
            const std::size_t to = std::min(end, from + kStretchCues);
            // The window under its piece's shift: meeting REF beyond chance
            // at that offset alone, it is where it belongs.
            int64_t reached = 0, met = 0;
            double chance = 0;
            for (std::size_t i = from; i < to; ++i) {
                const Span m = mapped(fit, i, p);
                if (!inReach(m)) continue;
                ++reached;
                met += evidence_.meets(m.start, m.end);
                chance += evidence_.chance(m.start, m.end);
            }
            if (reached < kLeastInReach ||
                log10Surprise(reached, met, chance / static_cast<double>(reached), 1.0) <= kLeastLocalSurprise) {
                continue;
            }
            // Votes of every cue of the window against every REF cue within
            // kVoteReach of its piece's shift.
            const int64_t centre = fit.pieces[p].shift;
            votes_.assign(bins, 0);
            ReferenceCues::Cursor cursor;
            for (std::size_t i = from; i < to; ++i) {
                const int64_t lo = spans[i].start + centre - kVoteReach;
                while (cursor.at < refs.size() && refs[cursor.at].start < lo) ++cursor.at;
                for (std::size_t r = cursor.at; r < refs.size() && refs[r].start <= spans[i].start + centre + kVoteReach; ++r) {
                    ++votes_[static_cast<std::size_t>((refs[r].start - lo) / kVoteBin)];
                }
            }
            std::vector<std::pair<int32_t, std::size_t>> best;  // (votes of a pair of bins, bin)
            for (std::size_t b = 0; b + 1 < bins; ++b) {
                const int32_t v = votes_[b] + votes_[b + 1];
                if (v >= kLeastVotes) best.push_back({v, b});
            }
            std::sort(best.begin(), best.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
            std::vector<std::size_t> taken;
            for (const auto& [v, bin] : best) {
                if (taken.size() == kStretchShifts) break;
                const std::size_t b = bin;
                if (std::any_of(taken.begin(), taken.end(), [&](std::size_t t) { return (t > b ? t - b : b - t) < 3; })) continue;
                taken.push_back(b);
                const int64_t voted = centre - kVoteReach + static_cast<int64_t>(b + 1) * kVoteBin;
                if (std::llabs(voted - centre) < kShortestEdit) continue;
                const std::span<const Span> own(spans.data() + from, to - from);
                const int64_t shift = bestOffset(own, ref_, voted - 2 * kVoteBin, voted + 2 * kVoteBin, scratch_).offset;
                // First the window alone: far more of its cues must lie closer
                // to REF's edges at the new shift than at their piece's.
                int64_t closerNew = 0, closerOld = 0;
                for (std::size_t i = from; i < to; ++i) {
                    const int64_t edge = edgeEnd(i, spans[i]);
                    const int64_t dn = evidence_.distance(spans[i].start + shift, edge + shift);
                    const int64_t dold = evidence_.distance(spans[i].start + centre, edge + centre);
                    closerNew += dn < dold;
                    closerOld += dold < dn;
                }
                if (static_cast<double>(closerNew - closerOld) <
                    kWindowMargin * std::sqrt(static_cast<double>(std::max<int64_t>(1, closerNew + closerOld)))) {
                    continue;
                }
                // The window made a piece of its own, and the changes
                // around it placed where the evidence changes.
                Fit trial = fit;
                const auto at = static_cast<std::ptrdiff_t>(p) + 1;
                trial.pieces.insert(trial.pieces.begin() + at, Piece{cues_[from].start, static_cast<int32_t>(shift)});
                trial.firstCue.insert(trial.firstCue.begin() + at, from);
                if (to < end) {
                    trial.pieces.insert(trial.pieces.begin() + at + 1, Piece{cues_[to].start, fit.pieces[p].shift});
                    trial.firstCue.insert(trial.firstCue.begin() + at + 1, to);
                }
                if (from == fit.firstCue[p]) {
                    trial.pieces.erase(trial.pieces.begin() + at - 1);
                    trial.firstCue.erase(trial.firstCue.begin() + at - 1);
                    trial.pieces[0].from = cues_[0].start;
                }
                refinePieces(spans, trial);
                placeChanges(spans, trial);
                refinePieces(spans, trial);
                std::size_t q = 0;
                for (std::size_t k = 1; k < trial.pieces.size(); ++k) {
                    if (std::llabs(trial.pieces[k].shift - shift) < std::llabs(trial.pieces[q].shift - shift)) q = k;
                }
                if (std::llabs(trial.pieces[q].shift - shift) >= kShortestEdit || endOf(trial, q) - trial.firstCue[q] < kLongOddStretch) {
                    continue;
                }
                const EdgeContest c = contest(trial, fit, q > 0 ? trial.firstCue[q - 1] : 0, endOf(trial, std::min(q + 1, trial.pieces.size() - 1)));
                if (c.moved < kLeastClearCues || !c.clear()) continue;
                // Its score counts: the cues around it agree and it fits them
                // clearly better than the shift they had.
                markSupport(trial);
                if (!trial.supported[q] && !trial.locallySupported[q]) {
                    trial.locallySupported[q] = true;
                    trial.total += trial.scores[q];
                }
                found.push_back(OddStretch{trial.firstCue[q], endOf(trial, q) - trial.firstCue[q], trial.pieces[q].shift, c,
                                           std::move(trial)});
            }
        }
    }
    return found;
}

std::vector<PieceSearch::OddStretch> PieceSearch::recoverStretches(Fit& fit) {
    for (int round = 0; round <= maxSplits_; ++round) {
        std::vector<OddStretch> odd = oddStretches(fit);
        std::stable_sort(odd.begin(), odd.end(), [](const OddStretch& a, const OddStretch& b) { return a.cues > b.cues; });
        const auto taken = std::find_if(odd.begin(), odd.end(), [&](const OddStretch& o) {
            // Scores with every piece counted: a piece of cues that no
            // longer meet REF once the stretch leaves it (a cut scene beside
            // it) does not count against the stretch.
            auto penalised = [&](const Fit& f) {
                return f.raw + kEdgeWeight * edgeFit(f) - kSplitPenalty * static_cast<double>(f.pieces.size() - 1);
            };
            return o.fit.pieces.size() <= static_cast<std::size_t>(maxSplits_) + 1 && penalised(o.fit) > penalised(fit);
        });
        if (taken == odd.end()) return odd;
        fit = std::move(taken->fit);
    }
    return {};
}

double PieceSearch::identityScore() const {
    double score = 0;
    for (const Span& a : scaled(1.0)) score += cueScore(a, ref_, 0);
    return score;
}

Span PieceSearch::mapped(const Fit& fit, std::size_t i, std::size_t piece) const {
    const Cue& c = cues_[i];
    return Span{mapTime(c.start, fit.ratio, fit.pieces[piece].shift), mapTime(c.end, fit.ratio, fit.pieces[piece].shift)};
}

std::vector<std::size_t> PieceSearch::pieceOfCue(const Fit& fit, std::size_t n) {
    std::vector<std::size_t> piece(n);
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : n;
        for (std::size_t i = fit.firstCue[p]; i < end; ++i) piece[i] = p;
    }
    return piece;
}

double PieceSearch::edgeFit(const Fit& fit) const {
    double sum = 0;
    const std::vector<std::size_t> piece = pieceOfCue(fit, cues_.size());
    for (std::size_t i = 0; i < cues_.size(); ++i) {
        const Span m = mapped(fit, i, piece[i]);
        sum += evidence_.closeness(m.start, m.end);
    }
    return sum;
}

bool PieceSearch::inReach(const Span& m) const {
    return m.end > evidence_.first() - kMeetingDistance && m.start < evidence_.last() + kMeetingDistance;
}

EdgeContest PieceSearch::contest(const Fit& a, const Fit& b, std::size_t from, std::size_t to) const {
    constexpr int64_t kFarEnough = 1000;  // a distance counts up to this per edge
    to = std::min(to, cues_.size());
    const auto pieceA = pieceOfCue(a, cues_.size());
    const auto pieceB = pieceOfCue(b, cues_.size());
    EdgeContest c;
    double sum = 0, squares = 0;
    for (std::size_t i = from; i < to; ++i) {
        const Span ma = mapped(a, i, pieceA[i]);
        const Span mb = mapped(b, i, pieceB[i]);
        if (std::llabs(ma.start - mb.start) <= kVisibleMove) continue;
        if (!evidence_.meets(ma.start, ma.end) && !evidence_.meets(mb.start, mb.end)) continue;
        ++c.moved;
        const int64_t da = std::min(evidence_.distance(ma.start, ma.end), 2 * kFarEnough);
        const int64_t db = std::min(evidence_.distance(mb.start, mb.end), 2 * kFarEnough);
        c.closerA += da < db;
        c.closerB += db < da;
        const auto d = static_cast<double>(db - da);
        sum += d;
        squares += d * d;
    }
    if (c.moved < kLeastClearCues) return c;
    const auto n = static_cast<double>(c.moved);
    const double mean = sum / n;
    c.t = mean / std::sqrt(std::max(squares / n - mean * mean, 1.0) / n);
    c.z = c.closerA + c.closerB > 0
              ? static_cast<double>(c.closerA - c.closerB) / std::sqrt(static_cast<double>(c.closerA + c.closerB))
              : 0.0;
    return c;
}

PieceSearch::Drift PieceSearch::drift(const Fit& fit) const {
    double sxx = 0;
    double sxy = 0;
    double syy = 0;
    std::size_t points = 0;
    std::size_t lines = 0;
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : cues_.size();
        // Sums relative to the piece's first cue, for precision.
        const double x0 = cues_[fit.firstCue[p]].start;
        const double y0 = static_cast<double>(mapTime(cues_[fit.firstCue[p]].start, fit.ratio, fit.pieces[p].shift));
        double n = 0, sx = 0, sy = 0, xx = 0, xy = 0, yy = 0;
        auto add = [&](double x, double y) {
            x -= x0;
            y -= y0;
            n += 1;
            sx += x;
            sy += y;
            xx += x * x;
            xy += x * y;
            yy += y * y;
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
        syy += yy - sy * sy / n;
        points += static_cast<std::size_t>(n);
        ++lines;
    }
    Drift d;
    if (points < 10 || sxx <= 0 || points <= lines + 1) return d;
    d.ratio = sxy / sxx;
    // The residual spread about the lines (one slope, an intercept per
    // piece), at least that of times in whole milliseconds; a cue's start and
    // end err together, so they count as one.
    const double spread = std::max(1.0, std::max(0.0, syy - d.ratio * sxy) / static_cast<double>(points - lines - 1));
    d.error = std::sqrt(2 * spread / sxx);
    return d;
}

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

int64_t PieceSearch::edgeEnd(std::size_t i, const Span& a) const {
    return a.end - a.start < kLongestScoredCue ? a.end : a.start + (static_cast<int64_t>(cues_[i].end) - cues_[i].start);
}

double PieceSearch::fitOfCue(std::size_t i, const Span& a, int64_t offset) const {
    return cueScore(a, ref_, offset) + kEdgeWeight * evidence_.closeness(a.start + offset, edgeEnd(i, a) + offset);
}

std::size_t PieceSearch::endOf(const Fit& fit, std::size_t p) const {
    return p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : cues_.size();
}

void PieceSearch::refinePieces(const std::vector<Span>& spans, Fit& fit) {
    fit.raw = 0;
    fit.scores.assign(fit.pieces.size(), 0.0);
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const std::span<const Span> own(spans.data() + fit.firstCue[p], endOf(fit, p) - fit.firstCue[p]);
        const int64_t offset = fit.pieces[p].shift;
        OffsetPeak peak = bestOffset(own, ref_, offset - kPieceWindow, offset + kPieceWindow, scratch_);
        if (peak.offset != offset) {
            // The overlap's best moves the piece; the closeness of the cue
            // edges must not say that it stood better where it was.
            double before = 0, after = 0, overlap = 0;
            for (std::size_t i = fit.firstCue[p]; i < endOf(fit, p); ++i) {
                const double o = cueScore(spans[i], ref_, offset);
                overlap += o;
                before += o + kEdgeWeight * evidence_.closeness(spans[i].start + offset, edgeEnd(i, spans[i]) + offset);
                after += kEdgeWeight * evidence_.closeness(spans[i].start + peak.offset, edgeEnd(i, spans[i]) + peak.offset);
            }
            if (before > peak.score + after) peak = OffsetPeak{offset, overlap};
        }
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

void PieceSearch::placeChanges(const std::vector<Span>& spans, Fit& fit) const {
    for (std::size_t p = 0; p + 1 < fit.pieces.size(); ++p) {
        const std::size_t from = fit.firstCue[p] + 1;
        const std::size_t to = endOf(fit, p + 1);  // the change lies in [from, to)
        if (to <= from + 1) continue;
        // gain[b]: score of cues [from - 1, b) at piece p's offset and
        // [b, to) at piece p + 1's, less a constant.
        double running = 0;
        std::vector<double> before(to - from + 1), after(to - from + 1);
        for (std::size_t b = from; b < to; ++b) {
            running += fitOfCue(b - 1, spans[b - 1], fit.pieces[p].shift) -
                       fitOfCue(b - 1, spans[b - 1], fit.pieces[p + 1].shift);
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

PieceSearch::Support PieceSearch::supportOf(const Fit& fit, std::size_t p) const {
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
        const double mean = chance / static_cast<double>(s.inReach);
        s.surprise = log10Surprise(s.inReach, s.met, mean, trials_);
        s.localSurprise = log10Surprise(s.inReach, s.met, mean, 1.0);
    }
    return s;
}

void PieceSearch::markSupport(Fit& fit) const {
    fit.supported.assign(fit.pieces.size(), false);
    fit.locallySupported.assign(fit.pieces.size(), false);
    fit.total = -kSplitPenalty * static_cast<double>(fit.pieces.size() - 1);
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const Support s = supportOf(fit, p);
        fit.supported[p] = s.surprise <= kLeastSurprise;
        fit.locallySupported[p] = s.inReach > 0 && s.localSurprise <= kLeastLocalSurprise;
        if (fit.supported[p] || fit.locallySupported[p]) fit.total += fit.scores[p];
    }
}

bool PieceSearch::joinUnsupported(Fit& fit) const {
    if (fit.pieces.size() < 2) return false;
    markSupport(fit);
    if (std::none_of(fit.supported.begin(), fit.supported.end(), [](bool s) { return s; })) return false;
    // An unsupported piece stays where its cues meet REF beyond chance at its
    // own offset and fit clearly better than under either neighbour's shift:
    // a short stretch between two edits. One that goes joins the neighbour
    // whose shift fits its cues as well: the one after when only that one
    // does, else the one before (the one after for the first piece).
    const std::size_t n = fit.pieces.size();
    std::vector<bool> stays = fit.supported;
    std::vector<bool> joinsNext(n, false);
    for (std::size_t p = 0; p < n; ++p) {
        if (stays[p]) continue;
        const bool local = fit.locallySupported[p];
        bool fitsAs[2] = {!local, !local};  // the cues fit the shift before / after as well
        for (const std::size_t side : {0, 1}) {
            const std::size_t q = side == 0 ? p - 1 : p + 1;  // p - 1 wraps around for the first
            if (!local || q >= n) continue;
            Fit joined = fit;
            joined.pieces[p].shift = fit.pieces[q].shift;
            const EdgeContest c = contest(fit, joined, fit.firstCue[p], endOf(fit, p));
            fitsAs[side] = c.moved < kLeastClearCues || !c.clear();
        }
        stays[p] = local && !fitsAs[0] && !fitsAs[1];
        joinsNext[p] = p == 0 || (fitsAs[1] && !fitsAs[0]);
    }
    std::size_t kept = 0;
    std::size_t from = 0;  // the first cue of the next piece kept
    bool pending = true;   // pieces that join the next one come before it
    for (std::size_t p = 0; p < n; ++p) {
        if (!stays[p]) {
            if (joinsNext[p] && !pending) {
                from = fit.firstCue[p];
                pending = true;
            }
            continue;
        }
        fit.pieces[kept] = fit.pieces[p];
        fit.firstCue[kept] = kept == 0 ? 0 : pending ? from : fit.firstCue[p];
        pending = false;
        ++kept;
    }
    const bool joined = kept < fit.pieces.size();
    fit.pieces.resize(kept);
    fit.firstCue.resize(kept);
    fit.pieces[0].from = cues_[0].start;
    return joined;
}

}  // namespace align
