// Aligning INPUT to REF, in five phases: the cues that can be aligned; the
// ratio (every frame-rate pair screened, the best few fitted piece by piece,
// close scores decided by the fit of the cue edges); a free ratio where the
// pieces show a slow drift; the identity where INPUT already fits as well;
// and the verdict (align/verdict.h).
#include "align/aligner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "align/frame_rates.h"
#include "align/overlap_score.h"
#include "align/piece_search.h"
#include "align/verdict.h"
#include "messages/messages.h"

namespace align {
namespace {

// Those of the ratios that peak highest in the screening get the whole search.
constexpr std::size_t kRatiosInDetail = 3;
// Ratios whose mappings score within this share of the best are told apart
// by the fit of the cue edges; those scoring at least kWorthRefitting of the
// best are first refitted on its pieces.
constexpr double kCloseScores = 0.10;
constexpr double kWorthRefitting = 0.5;
// A free ratio is tried instead of a frame-rate pair when it moves INPUT's
// last cue by more than this, and kept when it scores better by more than a
// split would; once free, it is refined while it moves it by kFinerDrift.
constexpr double kVisibleDrift = 100.0;
constexpr double kFinerDrift = 10.0;
// The identity is kept when it scores within this share of the best mapping.
constexpr double kKeepAsIs = 0.003;

struct Tried {
    RatioCandidate candidate;
    double screening = 0;
    Fit fit;
};

// The mapping found so far and the best other one.
struct Choice {
    Fit best;
    std::optional<Fit> competitor;
};

// The cues with an end after their start, in start order; as in REF, cues
// piled up beyond kDeepestPile at one moment say nothing more about timing:
// they follow the piece of their time.
std::vector<Cue> usableCues(std::span<const Cue> input) {
    std::vector<Cue> cues;
    for (const Cue& c : input) {
        if (c.end > c.start) cues.push_back(c);
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    std::vector<int32_t> shown;  // ends of the kept cues still shown
    std::size_t kept = 0;
    for (const Cue& c : cues) {
        std::erase_if(shown, [&](int32_t end) { return end <= c.start; });
        if (shown.size() >= kDeepestPile) continue;
        shown.push_back(c.end);
        cues[kept++] = c;
    }
    cues.resize(kept);
    return cues;
}

// The ratios tried: the forced one, or 1 and every frame-rate pair.
std::vector<Tried> ratiosToTry(const AlignSettings& settings) {
    std::vector<Tried> tried;
    if (settings.fixedRatio) {
        tried.push_back({{*settings.fixedRatio, frameRatePairName(*settings.fixedRatio), 0}, 0, {}});
    } else {
        tried.push_back({{1.0, "", 0}, 0, {}});
        for (const auto& r : frameRateRatios()) tried.push_back({{r.ratio, r.name, 0}, 0, {}});
    }
    return tried;
}

// Finest, once the pieces are found: the ratio that the matched cue edges
// drift by (PieceSearch::drift). When one of the `ratios` tried lies clearly
// nearer to it than every other (kClearMargin standard errors), it wins: the
// winner's pieces are refitted with it unless it is the winner's already.
void decideByDrift(PieceSearch& search, const std::vector<double>& ratios, std::vector<Tried>& tried, Alignment& result) {
    const PieceSearch::Drift drift = search.drift(tried.front().fit);
    if (drift.ratio <= 0) return;
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < ratios.size(); ++i) {
        if (std::fabs(ratios[i] - drift.ratio) < std::fabs(ratios[nearest] - drift.ratio)) nearest = i;
    }
    double second = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < ratios.size(); ++i) {
        if (i != nearest) second = std::min(second, std::fabs(ratios[i] - drift.ratio));
    }
    const double margin = (second - std::fabs(ratios[nearest] - drift.ratio)) / std::max(drift.error, 1e-12);
    if (margin < kClearMargin) return;
    char driftRatio[32], error[32], errors[32];
    std::snprintf(driftRatio, sizeof driftRatio, "%.6f", drift.ratio);
    std::snprintf(error, sizeof error, "%.2g", drift.error);
    std::snprintf(errors, sizeof errors, "%.0f", margin);
    result.decidedBy = messages::say("the drift of the matched cue edges (ratio %s, standard error %s: %s standard errors "
                                     "nearer than any other ratio tried)",
                                     {driftRatio, error, errors});
    const double ratio = ratios[nearest];
    if (ratio == tried.front().candidate.ratio) return;
    Fit refit = search.refitWithRatio(tried.front().fit, ratio);
    tried.erase(std::remove_if(tried.begin() + 1, tried.end(), [&](const Tried& t) { return t.candidate.ratio == ratio; }),
                tried.end());
    tried.insert(tried.begin(), Tried{{ratio, frameRatePairName(ratio), refit.total}, 0, std::move(refit)});
}

// The ratio: with several to try, those peaking highest in the screening are
// fitted; the best score wins, and among close scores the best fit of the
// cue edges.
Choice chooseRatio(PieceSearch& search, std::vector<Tried> tried, Alignment& result) {
    std::vector<double> ratios;
    for (const Tried& t : tried) ratios.push_back(t.candidate.ratio);
    if (tried.size() > 1) {
        const std::vector<double> screening = search.screeningScores(ratios);
        for (std::size_t i = 0; i < tried.size(); ++i) tried[i].screening = screening[i];
        std::stable_sort(tried.begin(), tried.end(),
                         [](const Tried& a, const Tried& b) { return a.screening > b.screening; });
        tried.resize(std::min(tried.size(), kRatiosInDetail));
    }
    for (Tried& t : tried) {
        t.fit = search.fitWithRatio(t.candidate.ratio, search.scaled(t.candidate.ratio));
        t.candidate.score = t.fit.total;
    }
    std::stable_sort(tried.begin(), tried.end(),
                     [](const Tried& a, const Tried& b) { return a.candidate.score > b.candidate.score; });
    // The others within reach compared on the same footing: the winner's
    // pieces refitted with their ratio, where that scores better than the
    // pieces they found.
    for (std::size_t i = 1; i < tried.size() && tried[i].candidate.score >= kWorthRefitting * tried[0].candidate.score; ++i) {
        Fit refit = search.refitWithRatio(tried.front().fit, tried[i].candidate.ratio);
        if (refit.total > tried[i].fit.total) {
            tried[i].candidate.score = refit.total;
            tried[i].fit = std::move(refit);
        }
    }
    std::stable_sort(tried.begin(), tried.end(),
                     [](const Tried& a, const Tried& b) { return a.candidate.score > b.candidate.score; });
    // Close scores: the finer evidence of the cue edges decides.
    result.decidedBy = messages::say("the overlap score");
    if (tried.size() > 1 && tried[1].candidate.score >= (1 - kCloseScores) * tried[0].candidate.score) {
        std::size_t best = 0;
        std::vector<double> edges;
        for (const Tried& t : tried) {
            edges.push_back(t.candidate.score >= (1 - kCloseScores) * tried[0].candidate.score ? search.edgeFit(t.fit)
                                                                                               : kNoScore);
            if (edges.back() > edges[best]) best = edges.size() - 1;
        }
        const std::size_t next = best == 0 ? 1 : 0;
        char chosen[32], other[32], within[32];
        std::snprintf(chosen, sizeof chosen, "%.1f", edges[best]);
        std::snprintf(other, sizeof other, "%.1f", edges[next]);
        std::snprintf(within, sizeof within, "%.0f%%", 100 * kCloseScores);
        result.decidedBy = messages::say("the fit of the cue edges (%s against %s; the overlap scores are within %s)",
                                         {chosen, other, within});
        std::rotate(tried.begin(), tried.begin() + static_cast<std::ptrdiff_t>(best), tried.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
    if (tried.size() > 1) decideByDrift(search, ratios, tried, result);
    result.chosen = tried.front().candidate;
    Choice choice{std::move(tried.front().fit), std::nullopt};
    if (tried.size() > 1) {
        result.runnerUp = tried[1].candidate;
        choice.competitor = std::move(tried[1].fit);
    }
    return choice;
}

// A slow drift: a free ratio when the pieces show one that moves the last
// cue visibly, kept only when it scores better.
void tryFreeRatio(PieceSearch& search, Choice& choice, Alignment& result) {
    Fit& best = choice.best;
    const auto& all = search.cues();
    const double span = static_cast<double>(static_cast<int64_t>(all.back().end) - all.front().start);
    for (int round = 0; round < 3; ++round) {
        const double drift = search.drift(best).ratio;
        const double least = result.freeRatio ? kFinerDrift : kVisibleDrift;
        if (drift <= 0 || std::fabs(drift - best.ratio) * span < least) break;
        Fit fit = search.fitWithRatio(drift, search.scaled(drift));
        if (fit.total <= best.total + (result.freeRatio ? 0.0 : kSplitPenalty)) break;
        // The exact ratio of a frame-rate pair is kept unless the free
        // one moves cues with evidence and fits them clearly better: a
        // second subtitle's jitter alone suggests small drifts.
        int64_t moved = 0;
        std::string unused;
        if (!result.freeRatio && (!clearlyBetter(search, fit, best, "", unused, &moved) || moved < kLeastClearCues)) break;
        if (!result.freeRatio) {
            result.runnerUp = result.chosen;
            choice.competitor = best;
        }
        best = std::move(fit);
        result.chosen = RatioCandidate{drift, "", best.total};
        result.freeRatio = true;
    }
}

// Never worse than doing nothing: the identity kept when it scores about as
// well (`identity`: its score, kNoScore when a ratio other than 1 is forced).
void keepIdentityIfAsGood(const PieceSearch& search, double identity, Choice& choice, Alignment& result) {
    Fit& best = choice.best;
    if (identity < (1.0 - kKeepAsIs) * best.raw) return;
    if (result.chosen.ratio != 1.0 || result.freeRatio) result.runnerUp = result.chosen;
    Fit kept;
    kept.ratio = 1.0;
    kept.pieces = {Piece{search.cues().front().start, 0}};
    kept.firstCue = {0};
    kept.supported = {true};
    kept.locallySupported = {true};
    kept.raw = kept.total = identity;
    if (best.pieces.size() > 1 || best.ratio != 1.0 || best.pieces[0].shift != 0) choice.competitor = best;
    best = std::move(kept);
    result.chosen = RatioCandidate{1.0, "", identity};
    result.freeRatio = false;
    result.unchanged = true;
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
    std::vector<Cue> cues = usableCues(input);
    result.cues = static_cast<int32_t>(cues.size());
    std::vector<Span> refSpans;
    for (const Cue& c : reference) refSpans.push_back(Span{c.start, c.end});
    ReferenceCues ref(std::move(refSpans));
    if (cues.empty() || ref.spans().empty()) {
        result.failure = cues.empty() ? messages::say("INPUT has no cue with an end after its start")
                                      : messages::say("REF has no cue with an end after its start");
        return result;
    }

    std::vector<Tried> tried = ratiosToTry(settings);
    double widest = 1.0;
    for (const Tried& t : tried) widest = std::max({widest, t.candidate.ratio, 1 / t.candidate.ratio});
    PieceSearch search(std::move(cues), std::move(ref), reference, std::clamp(settings.maxSplits, 0, kMostSplits), widest,
                       static_cast<double>(tried.size()), settings.speech);
    Choice choice = chooseRatio(search, std::move(tried), result);
    if (!settings.fixedRatio) tryFreeRatio(search, choice, result);
    // Stretches left at a wrong shift made pieces of their own where they can be.
    const std::vector<PieceSearch::OddStretch> odd = search.recoverStretches(choice.best);
    keepIdentityIfAsGood(search, settings.fixedRatio.value_or(1.0) == 1.0 ? search.identityScore() : kNoScore, choice,
                         result);
    result.pieces = choice.best.pieces;
    const int64_t timeWithEvidence = measureEvidence(search, choice.best, result);
    if (result.matched) {
        judge(search, choice.best, choice.competitor, timeWithEvidence,
              result.unchanged ? std::vector<PieceSearch::OddStretch>{} : odd, result);
    }
    return result;
}

}  // namespace align
