// Stretches left at a wrong shift, found after the pieces are, and made
// pieces of their own where they can be.
#include "align/piece_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "align/piece_search_tuning.h"

namespace align {
namespace {

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

// A stretch made a piece counts as evidence whatever its support: the cues
// around it agree and it fits them clearly better than the shift they had.
void countAsEvidence(Fit& fit, std::size_t piece) {
    if (fit.supported[piece] || fit.locallySupported[piece]) return;
    fit.locallySupported[piece] = true;
    fit.total += fit.scores[piece];
}

}  // namespace

std::vector<PieceSearch::OddStretch> PieceSearch::oddStretches(const Fit& fit) {
    std::vector<OddStretch> found;
    if (maxSplits_ == 0 || fit.pieces.empty()) return found;
    if (std::none_of(fit.supported.begin(), fit.supported.end(), [](bool b) { return b; })) return found;
    const std::vector<Span> spans = scaled(fit.ratio);
    const std::vector<Span>& refs = ref_.spans();
    const std::size_t bins = static_cast<std::size_t>(2 * kVoteReach / kVoteBin) + 2;
    // Each piece's cues against REF in half windows, each counted once.
    struct Count {
        int64_t reached = 0;
        int64_t met = 0;
        double chance = 0;
    };
    std::vector<Count> halves;
    const std::size_t half = kStretchCues / 2;
    for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
        const std::size_t end = endOf(fit, p);
        halves.clear();
        for (std::size_t from = fit.firstCue[p]; from < end; from += half) {
            Count h;
            for (std::size_t i = from; i < std::min(end, from + half); ++i) {
                const Span m = mapped(fit, i, p);
                if (!inReach(m)) continue;
                ++h.reached;
                h.met += evidence_.meets(m.start, m.end);
                h.chance += evidence_.chance(m.start, m.end);
            }
            halves.push_back(h);
        }
        for (std::size_t from = fit.firstCue[p], k = 0; from < end; from += half, ++k) {
            const std::size_t to = std::min(end, from + kStretchCues);
            // The window under its piece's shift: meeting REF beyond chance
            // at that offset alone, it is where it belongs.
            const Count& a = halves[k];
            const Count b = k + 1 < halves.size() ? halves[k + 1] : Count{};
            const int64_t reached = a.reached + b.reached;
            const double chance = (a.chance + b.chance) / static_cast<double>(std::max<int64_t>(reached, 1));
            if (reached < kLeastInReach || log10Surprise(reached, a.met + b.met, chance, 1.0) <= kLeastLocalSurprise) {
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
                // A neighbour's shift was weighed already where the change
                // between them was placed.
                auto near = [&](int64_t o) { return std::llabs(voted - o) < kShortestEdit; };
                if (near(centre) || (p > 0 && near(fit.pieces[p - 1].shift)) ||
                    (p + 1 < fit.pieces.size() && near(fit.pieces[p + 1].shift))) {
                    continue;
                }
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
                trial.scores.insert(trial.scores.begin() + at, 0.0);
                if (to < end) {
                    trial.pieces.insert(trial.pieces.begin() + at + 1, Piece{cues_[to].start, fit.pieces[p].shift});
                    trial.firstCue.insert(trial.firstCue.begin() + at + 1, to);
                    trial.scores.insert(trial.scores.begin() + at + 1, 0.0);
                }
                if (from == fit.firstCue[p]) {
                    trial.pieces.erase(trial.pieces.begin() + at - 1);
                    trial.firstCue.erase(trial.firstCue.begin() + at - 1);
                    trial.scores.erase(trial.scores.begin() + at - 1);
                    trial.pieces[0].from = cues_[0].start;
                }
                // Only the pieces around it move: from the one before piece p
                // to the one after what is left of it. First a quick look, the
                // new piece alone refined and its changes moved at most a
                // window's length: it must reach kLongOddStretch cues.
                const std::size_t lo = p > 0 ? p - 1 : 0;
                const std::size_t hi = p + 4;
                const std::size_t mine = from == fit.firstCue[p] ? p : p + 1;
                Fit glance = trial;
                refinePieces(spans, glance, mine, mine + 1);
                placeChanges(spans, glance, mine > 0 ? mine - 1 : 0, mine + 2, kStretchCues);
                refinePieces(spans, glance, mine, mine + 1);
                if (mine >= glance.pieces.size() || std::llabs(glance.pieces[mine].shift - shift) >= kShortestEdit ||
                    endOf(glance, mine) - glance.firstCue[mine] < kLongOddStretch) {
                    continue;
                }
                refinePieces(spans, trial, lo, hi);
                placeChanges(spans, trial, lo, hi);
                refinePieces(spans, trial, lo, hi);
                std::size_t q = 0;
                for (std::size_t k = 1; k < trial.pieces.size(); ++k) {
                    if (std::llabs(trial.pieces[k].shift - shift) < std::llabs(trial.pieces[q].shift - shift)) q = k;
                }
                if (std::llabs(trial.pieces[q].shift - shift) >= kShortestEdit || endOf(trial, q) - trial.firstCue[q] < kLongOddStretch) {
                    continue;
                }
                const EdgeContest c = contest(trial, fit, q > 0 ? trial.firstCue[q - 1] : 0, endOf(trial, std::min(q + 1, trial.pieces.size() - 1)));
                if (c.moved < kLeastClearCues || !c.clear()) continue;
                markSupport(trial);
                countAsEvidence(trial, q);
                found.push_back(OddStretch{trial.firstCue[q], endOf(trial, q) - trial.firstCue[q], trial.pieces[q].shift, c,
                                           std::move(trial)});
            }
        }
    }
    return found;
}

std::vector<PieceSearch::OddStretch> PieceSearch::recoverStretches(Fit& fit) {
    std::vector<int64_t> recovered;  // the shifts of the stretches made pieces
    // The cues that joined a neighbour beside a stretch, handed to the
    // verdict with the fit (the stretches searched meanwhile weigh them all).
    std::vector<bool> carried;
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
        if (taken == odd.end()) {
            fit.carried = std::move(carried);
            return odd;
        }
        fit = std::move(taken->fit);
        carried.resize(cues_.size(), false);
        std::fill(carried.begin() + static_cast<std::ptrdiff_t>(taken->firstCue),
                  carried.begin() + static_cast<std::ptrdiff_t>(taken->firstCue + taken->cues), false);
        // What is left beside the stretch that no longer meets REF beyond
        // chance (a cut scene's cues, a few cues of the stretch's shift left
        // behind its window) joins a neighbour, as when settling: its cues
        // are no evidence for the shift they were left with. The stretches
        // stay, and the changes stay where they were placed.
        recovered.push_back(taken->shift);
        auto isStretch = [&](const Piece& piece) {
            return std::any_of(recovered.begin(), recovered.end(),
                               [&](int64_t s) { return std::llabs(piece.shift - s) < kShortestEdit; });
        };
        std::vector<bool> keep(fit.pieces.size());
        for (std::size_t p = 0; p < keep.size(); ++p) keep[p] = isStretch(fit.pieces[p]);
        if (Fit joined = fit; joinUnsupported(joined, keep)) {
            // The cues of the pieces that went now take a neighbour's shift.
            const auto before = pieceOfCue(fit, cues_.size()), after = pieceOfCue(joined, cues_.size());
            for (std::size_t i = 0; i < cues_.size(); ++i) {
                if (fit.pieces[before[i]].shift != joined.pieces[after[i]].shift) carried[i] = true;
            }
            refinePieces(scaled(fit.ratio), joined);
            markSupport(joined);
            for (std::size_t p = 0; p < joined.pieces.size(); ++p) {
                if (isStretch(joined.pieces[p])) countAsEvidence(joined, p);
            }
            fit = std::move(joined);
        }
    }
    fit.carried = std::move(carried);
    return {};
}

}  // namespace align
