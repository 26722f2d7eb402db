// Aligning INPUT to REF: for each ratio worth a closer look, candidate offsets
// from the coarse correlation, each refined to the millisecond; the best
// sequence of offsets over INPUT's cues with at most N changes (dynamic
// programming with a penalty per change); each piece's offset refined on its
// own cues. Then a free ratio where the pieces show a slow drift, and the
// identity where INPUT already fits as well.
#include "align/aligner.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "align/coarse_offsets.h"
#include "align/frame_rates.h"
#include "align/overlap_score.h"

namespace align {
namespace {

// A change of offset must win this much score (about seven well-matched
// cues) to be made.
constexpr double kSplitPenalty = 7.0;
// Every ratio is screened by a coarse correlation (bins for both subtitles
// together), and those peaking highest get the whole search, which starts
// from a finer one.
constexpr int64_t kScreeningBins = 1 << 13;
constexpr int64_t kSearchBins = 1 << 15;
constexpr std::size_t kRatiosInDetail = 3;
// Candidate offsets lie at least this far apart before refining.
constexpr int64_t kPeakSpacing = 500;
// The overlap score of all cues cannot tell apart two pieces whose offsets
// differ by less than a cue's length: around the best offsets of the highest
// peaks, offsets in steps of this much are candidates too.
constexpr std::size_t kPeaksWithNeighbours = 4;
constexpr int64_t kNeighbourStep = 250;
constexpr int64_t kNeighbourReach = 1000;
// A piece's own offset is searched this far around its candidate.
constexpr int64_t kPieceWindow = 1000;
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

constexpr double kNoScore = -std::numeric_limits<double>::infinity();

// How far a share of cues with a partner lies beyond the share that chance
// gives (REF covering that share of the time): 0 for chance, 1 for all.
double beyondChance(double share, double chance) { return (share - chance) / std::max(1.0 - chance, 0.05); }

struct Fit {
    double ratio = 1.0;
    std::vector<Piece> pieces;
    std::vector<std::size_t> firstCue;  // index of each piece's first cue
    double raw = 0;                     // summed score
    double total = kNoScore;            // less the split penalties
};

class Aligner {
public:
    // `widest`: the ratio furthest from 1 that may be tried (a free ratio
    // lies close to a tried one).
    Aligner(std::vector<Cue> cues, ReferenceCues ref, int maxSplits, double widest)
        : cues_(std::move(cues)), ref_(std::move(ref)), maxSplits_(maxSplits) {
        int64_t last = 0;
        for (const Cue& c : cues_) last = std::max<int64_t>(last, c.end);
        const double first = std::min<double>(0, cues_.front().start);
        const double reach = std::max(widest, 1 / widest) * 1.05;
        const auto from = static_cast<int64_t>(first * reach) - 1;
        const auto to = static_cast<int64_t>(static_cast<double>(last) * reach) + 1;
        screen_ = std::make_unique<CoarseOffsets>(ref_, from, to, kScreeningBins);
        coarse_ = std::make_unique<CoarseOffsets>(ref_, from, to, kSearchBins);
    }

    const std::vector<Cue>& cues() const { return cues_; }
    const ReferenceCues& ref() const { return ref_; }

    std::vector<Span> scaled(double ratio) const {
        std::vector<Span> spans;
        spans.reserve(cues_.size());
        for (const Cue& c : cues_) {
            const int64_t start = std::llround(c.start * ratio);
            spans.push_back(Span{start, std::min<int64_t>(std::llround(c.end * ratio), start + kLongestScoredCue)});
        }
        return spans;
    }

    // How high the correlation with REF peaks for the cues scaled by a ratio.
    double screeningScore(const std::vector<Span>& spans) const {
        return screen_->peaks(spans, 1, kPeakSpacing).highest;
    }

    CoarseOffsets::Peaks coarsePeaks(const std::vector<Span>& spans) const {
        return coarse_->peaks(spans, static_cast<std::size_t>(2 * maxSplits_ + 8), kPeakSpacing);
    }

    Fit fitWithRatio(double ratio, const std::vector<Span>& spans, const CoarseOffsets::Peaks& peaks) {
        Fit fit;
        fit.ratio = ratio;
        const int64_t w = coarse_->binWidth();
        std::vector<int64_t> offsets;
        for (std::size_t p = 0; p < peaks.offsets.size(); ++p) {
            const int64_t o = peaks.offsets[p];
            const int64_t best = bestOffset(spans, ref_, o - 2 * w, o + 2 * w, scratch_).offset;
            offsets.push_back(best);
            if (p >= kPeaksWithNeighbours) continue;
            for (int64_t step = kNeighbourStep; step <= kNeighbourReach; step += kNeighbourStep) {
                offsets.push_back(best - step);
                offsets.push_back(best + step);
            }
        }
        std::sort(offsets.begin(), offsets.end());
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        if (offsets.empty()) offsets.push_back(0);

        const std::vector<std::size_t> choice = bestSequence(spans, offsets);
        for (std::size_t i = 0; i < choice.size(); ++i) {
            if (i == 0 || choice[i] != choice[i - 1]) {
                fit.firstCue.push_back(i);
                fit.pieces.push_back(Piece{cues_[i].start, static_cast<int32_t>(offsets[choice[i]])});
            }
        }
        refinePieces(spans, fit);
        if (dropChancePieces(spans, fit)) refinePieces(spans, fit);
        return fit;
    }

    // The score of the identity mapping.
    double identityScore() const {
        double score = 0;
        for (const Span& a : scaled(1.0)) score += cueScore(a, ref_, 0);
        return score;
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
            const double y0 = mapTime(cues_[fit.firstCue[p]].start, fit.ratio, fit.pieces[p].shift);
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
                const Span mapped{mapTime(c.start, fit.ratio, fit.pieces[p].shift),
                                  mapTime(c.end, fit.ratio, fit.pieces[p].shift)};
                const Span* partner = nullptr;
                double most = 0;
                ref_.forEachNear(mapped, 0, 0, [&](const Span& b) {
                    const double o = static_cast<double>(std::min(mapped.end, b.end) - std::max(mapped.start, b.start));
                    if (o > most) {
                        most = o;
                        partner = &b;
                    }
                });
                if (!partner) continue;
                if (std::llabs(partner->start - mapped.start) < kSameMoment) add(c.start, partner->start);
                if (partner->end - partner->start < kLongestScoredCue &&
                    std::llabs(partner->end - mapped.end) < kSameMoment) {
                    add(c.end, partner->end);
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
    // For each cue the index of its offset: the sequence with the best score
    // less kSplitPenalty per change, with at most maxSplits_ changes, each
    // between cues with different starts.
    std::vector<std::size_t> bestSequence(const std::vector<Span>& spans, const std::vector<int64_t>& offsets) {
        const std::size_t n = spans.size();
        const std::size_t k = offsets.size();
        const std::size_t layers = static_cast<std::size_t>(maxSplits_) + 1;
        std::vector<double> score(n * k);
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < k; ++j) score[i * k + j] = cueScore(spans[i], ref_, offsets[j]);
        }
        // value[j * layers + s]: best score of cues up to i, cue i at offset j,
        // s changes made. changed: whether cue i's offset came by a change
        // (from the best offset of cue i - 1 with s - 1 changes, bestBefore).
        std::vector<double> value(k * layers, kNoScore);
        std::vector<double> next(k * layers);
        std::vector<bool> changed(n * k * layers, false);  // one bit each
        std::vector<uint32_t> bestBefore(n * layers, 0);
        for (std::size_t j = 0; j < k; ++j) value[j * layers] = score[j];
        std::vector<double> bestValue(layers);
        for (std::size_t i = 1; i < n; ++i) {
            for (std::size_t s = 0; s < layers; ++s) {
                std::size_t arg = 0;
                for (std::size_t j = 1; j < k; ++j) {
                    if (value[j * layers + s] > value[arg * layers + s]) arg = j;
                }
                bestBefore[i * layers + s] = static_cast<uint32_t>(arg);
                bestValue[s] = value[arg * layers + s];
            }
            const bool mayChange = cues_[i].start > cues_[i - 1].start;
            for (std::size_t j = 0; j < k; ++j) {
                for (std::size_t s = 0; s < layers; ++s) {
                    const double stay = value[j * layers + s];
                    const double move = mayChange && s > 0 ? bestValue[s - 1] - kSplitPenalty : kNoScore;
                    const bool takeMove = move > stay;
                    changed[(i * k + j) * layers + s] = takeMove;
                    next[j * layers + s] = (takeMove ? move : stay) + score[i * k + j];
                }
            }
            std::swap(value, next);
        }
        std::size_t j = 0;
        std::size_t s = 0;
        for (std::size_t jj = 0; jj < k; ++jj) {
            for (std::size_t ss = 0; ss < layers; ++ss) {
                if (value[jj * layers + ss] > value[j * layers + s]) {
                    j = jj;
                    s = ss;
                }
            }
        }
        std::vector<std::size_t> choice(n);
        for (std::size_t i = n; i-- > 0;) {
            choice[i] = j;
            if (i > 0 && changed[(i * k + j) * layers + s]) {
                j = bestBefore[i * layers + s - 1];
                --s;
            }
        }
        return choice;
    }

    // Each piece's offset searched on its own cues; neighbours that end up
    // with the same offset become one piece.
    void refinePieces(const std::vector<Span>& spans, Fit& fit) {
        fit.raw = 0;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : spans.size();
            const std::span<const Span> own(spans.data() + fit.firstCue[p], end - fit.firstCue[p]);
            const int64_t offset = fit.pieces[p].shift;
            const OffsetPeak peak = bestOffset(own, ref_, offset - kPieceWindow, offset + kPieceWindow, scratch_);
            fit.pieces[p].shift = static_cast<int32_t>(peak.offset);
            fit.raw += peak.score;
        }
        std::size_t kept = 0;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            if (kept > 0 && fit.pieces[kept - 1].shift == fit.pieces[p].shift) continue;
            fit.pieces[kept] = fit.pieces[p];
            fit.firstCue[kept] = fit.firstCue[p];
            ++kept;
        }
        fit.pieces.resize(kept);
        fit.firstCue.resize(kept);
        fit.total = fit.raw - kSplitPenalty * static_cast<double>(kept - 1);
    }

    // A piece whose cues match REF no better than chance (cues of a cut scene
    // happening to fit some other offset) joins the piece before it, or the
    // one after when it is the first. True when any piece went.
    bool dropChancePieces(const std::vector<Span>& spans, Fit& fit) const {
        if (fit.pieces.size() < 2) return false;
        std::vector<bool> chance(fit.pieces.size());
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            const std::size_t end = p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : spans.size();
            const int64_t shift = fit.pieces[p].shift;
            int64_t partnered = 0;
            int64_t first = std::numeric_limits<int64_t>::max();
            int64_t last = std::numeric_limits<int64_t>::min();
            for (std::size_t i = fit.firstCue[p]; i < end; ++i) {
                const Span mapped{spans[i].start + shift, spans[i].end + shift};
                first = std::min(first, mapped.start);
                last = std::max(last, mapped.end);
                if (2 * coveredLength(mapped, ref_) >= mapped.end - mapped.start) ++partnered;
            }
            chance[p] = beyondChance(static_cast<double>(partnered) / static_cast<double>(end - fit.firstCue[p]),
                                     ref_.coverage(first, last)) < kLeastInCommon;
        }
        if (std::all_of(chance.begin(), chance.end(), [](bool c) { return c; })) return false;
        std::size_t kept = 0;
        for (std::size_t p = 0; p < fit.pieces.size(); ++p) {
            if (chance[p]) continue;
            fit.pieces[kept] = fit.pieces[p];
            fit.firstCue[kept] = kept == 0 ? 0 : fit.firstCue[p];
            ++kept;
        }
        const bool dropped = kept < fit.pieces.size();
        fit.pieces.resize(kept);
        fit.firstCue.resize(kept);
        fit.pieces[0].from = cues_[0].start;
        return dropped;
    }

    std::vector<Cue> cues_;
    ReferenceCues ref_;
    int maxSplits_;
    std::unique_ptr<CoarseOffsets> screen_;
    std::unique_ptr<CoarseOffsets> coarse_;
    std::vector<double> scratch_;
};

struct Tried {
    RatioCandidate candidate;
    double screening = 0;
};

}  // namespace

std::size_t pieceFor(const std::vector<Piece>& pieces, int32_t start) {
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), start,
                                        [](int32_t s, const Piece& p) { return s < p.from; });
    return after == pieces.begin() ? 0 : static_cast<std::size_t>(after - pieces.begin()) - 1;
}

int32_t mapTime(int32_t t, double ratio, int32_t shift) {
    const double y = static_cast<double>(t) * ratio + static_cast<double>(shift);
    if (!(std::fabs(y) < 9.2e18)) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(y));
}

Alignment alignCues(std::span<const Cue> input, std::span<const Cue> reference, const AlignSettings& settings) {
    Alignment result;
    std::vector<Cue> cues;
    for (const Cue& c : input) {
        if (c.end > c.start) cues.push_back(c);
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    result.cues = static_cast<int32_t>(cues.size());
    std::vector<Span> refSpans;
    for (const Cue& c : reference) refSpans.push_back(Span{c.start, c.end});
    ReferenceCues ref(std::move(refSpans));
    if (cues.empty() || ref.spans().empty()) {
        result.failure = cues.empty() ? "INPUT has no cue with an end after its start"
                                      : "REF has no cue with an end after its start";
        return result;
    }

    double widest = settings.fixedRatio.value_or(1.0);
    if (!settings.fixedRatio) {
        for (const auto& r : frameRateRatios()) widest = std::max({widest, r.ratio, 1 / r.ratio});
    }
    Aligner aligner(std::move(cues), std::move(ref), std::clamp(settings.maxSplits, 0, kMostSplits), widest);

    // The ratios tried: the forced one, or 1 and every frame-rate pair.
    std::vector<Tried> tried;
    if (settings.fixedRatio) {
        tried.push_back({{*settings.fixedRatio, frameRatePairName(*settings.fixedRatio), 0}, 0});
    } else {
        tried.push_back({{1.0, "", 0}, 0});
        for (const auto& r : frameRateRatios()) tried.push_back({{r.ratio, r.name, 0}, 0});
        for (Tried& t : tried) t.screening = aligner.screeningScore(aligner.scaled(t.candidate.ratio));
        std::stable_sort(tried.begin(), tried.end(),
                         [](const Tried& a, const Tried& b) { return a.screening > b.screening; });
        tried.resize(std::min(tried.size(), kRatiosInDetail));
    }

    Fit best;
    for (Tried& t : tried) {
        const std::vector<Span> spans = aligner.scaled(t.candidate.ratio);
        Fit fit = aligner.fitWithRatio(t.candidate.ratio, spans, aligner.coarsePeaks(spans));
        t.candidate.score = fit.total;
        if (fit.total > best.total) best = std::move(fit);
    }
    std::stable_sort(tried.begin(), tried.end(),
                     [](const Tried& a, const Tried& b) { return a.candidate.score > b.candidate.score; });
    result.chosen = tried.front().candidate;
    if (tried.size() > 1) result.runnerUp = tried[1].candidate;

    // A slow drift: a free ratio when the pieces show one that moves the last
    // cue visibly, kept only when it scores better.
    if (!settings.fixedRatio) {
        const auto& cues = aligner.cues();
        const double span = static_cast<double>(cues.back().end - cues.front().start);
        for (int round = 0; round < 3; ++round) {
            const double drift = aligner.driftRatio(best);
            const double least = result.freeRatio ? kFinerDrift : kVisibleDrift;
            if (drift <= 0 || std::fabs(drift - best.ratio) * span < least) break;
            const std::vector<Span> spans = aligner.scaled(drift);
            const Fit fit = aligner.fitWithRatio(drift, spans, aligner.coarsePeaks(spans));
            if (fit.total <= best.total + (result.freeRatio ? 0.0 : kSplitPenalty)) break;
            if (!result.freeRatio) result.runnerUp = result.chosen;
            best = fit;
            result.chosen = RatioCandidate{drift, "", fit.total};
            result.freeRatio = true;
        }
    }

    // Never worse than doing nothing (within a ratio the user gave).
    const double identity = settings.fixedRatio.value_or(1.0) == 1.0 ? aligner.identityScore() : kNoScore;
    if (identity >= (1.0 - kKeepAsIs) * best.raw) {
        if (result.chosen.ratio != 1.0 || result.freeRatio) result.runnerUp = result.chosen;
        best.ratio = 1.0;
        best.pieces = {Piece{aligner.cues().front().start, 0}};
        best.firstCue = {0};
        best.raw = best.total = identity;
        result.chosen = RatioCandidate{1.0, "", identity};
        result.freeRatio = false;
        result.unchanged = true;
    }
    result.pieces = best.pieces;

    // Partners: cues at least half covered by REF after mapping; chance is
    // the share of the time REF covers.
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    for (const Cue& c : aligner.cues()) {
        const Piece& piece = best.pieces[pieceFor(best.pieces, c.start)];
        const Span mapped{mapTime(c.start, best.ratio, piece.shift), mapTime(c.end, best.ratio, piece.shift)};
        first = std::min(first, mapped.start);
        last = std::max(last, mapped.end);
        if (mapped.end > mapped.start && 2 * coveredLength(mapped, aligner.ref()) >= mapped.end - mapped.start) {
            ++result.partnered;
        }
    }
    const double chance = aligner.ref().coverage(first, last);
    const double share = static_cast<double>(result.partnered) / static_cast<double>(result.cues);
    result.matched = beyondChance(share, chance) >= kLeastInCommon && result.partnered >= kLeastPartners;
    if (!result.matched) {
        result.failure = "INPUT and REF have too little in common: " + std::to_string(result.partnered) + " of " +
                         std::to_string(result.cues) + " INPUT cues found a partner, about " +
                         std::to_string(static_cast<int>(std::lround(chance * result.cues))) + " would by chance";
    }
    return result;
}

}  // namespace align
