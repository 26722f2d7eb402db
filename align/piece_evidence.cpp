// What the cue edges say about a fit: how closely they meet REF, two
// mappings compared, the drift of the matched edges, and which pieces are
// supported beyond chance.
#include "align/piece_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "align/piece_search_tuning.h"

namespace align {
namespace {

// A cue and a REF cue whose starts (or ends) differ by less than this after
// mapping are taken as the same moment when measuring a drift.
constexpr int64_t kSameMoment = 500;

}  // namespace

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
        if (std::llabs(ma.start - mb.start) <= kVisibleMove || a.isCarried(i) || b.isCarried(i)) continue;
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

bool PieceSearch::joinUnsupported(Fit& fit, const std::vector<bool>& keep) const {
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
    for (std::size_t p = 0; p < std::min(n, keep.size()); ++p) stays[p] = stays[p] || keep[p];
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
