// The verdict on a mapping.
#include "align/verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "align/boundary_evidence.h"
#include "align/frame_rates.h"
#include "messages/messages.h"

namespace align {
namespace {

// Matching cues beyond chance needed, as a share of what chance leaves.
constexpr double kLeastInCommon = 0.4;
constexpr int32_t kLeastPartners = 3;
// Sure needs evidence on at least this share of INPUT's cues.
constexpr double kLeastEvidence = 0.5;

// How far a share of cues with a partner lies beyond the share that chance
// gives (REF covering that share of the time): 0 for chance, 1 for all.
double beyondChance(double share, double chance) { return (share - chance) / std::max(1.0 - chance, 0.05); }

std::string percent(double share) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", 100 * share);
    return buffer;
}

}  // namespace

std::string describe(const Fit& fit) {
    const std::string name = frameRatePairName(fit.ratio);
    const std::string ratio = name.empty() ? exactDecimal(fit.ratio) : exactDecimal(fit.ratio) + " (" + name + ")";
    return messages::sayCount("ratio %s with %s piece", "ratio %s with %s pieces", fit.pieces.size(),
                              {ratio, std::to_string(fit.pieces.size())});
}

bool clearlyBetter(const PieceSearch& search, const Fit& chosen, const Fit& other, const std::string& what,
                   std::string& doubt, int64_t* movedCues) {
    const EdgeContest c = search.contest(chosen, other);
    if (movedCues) *movedCues = c.moved;
    if (c.clear()) return true;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "z = %.1f, t = %.1f", c.z, c.t);
    doubt = messages::say("%s (%s) would move %s cues with evidence by more than %s ms, and the evidence cannot tell the "
                          "two apart (%s of them fit it better, %s the mapping found; %s)",
                          {what, describe(other), std::to_string(c.moved), std::to_string(kVisibleMove),
                           std::to_string(c.closerB), std::to_string(c.closerA), buffer});
    return false;
}

// Whether the drift of the matched cue edges (PieceSearch::drift) lies
// clearly nearer to the ratio of `chosen` than to that of `other`: kClearMargin
// standard errors. Then `doubt` is cleared, else it gains the drift found.
bool ratioToldApart(const PieceSearch& search, const Fit& chosen, const Fit& other, std::string& doubt) {
    if (other.ratio == chosen.ratio) return false;
    const PieceSearch::Drift drift = search.drift(chosen);
    if (drift.ratio <= 0) return false;
    const double margin =
        (std::fabs(other.ratio - drift.ratio) - std::fabs(chosen.ratio - drift.ratio)) / std::max(drift.error, 1e-12);
    if (margin >= kClearMargin) {
        doubt.clear();
        return true;
    }
    char ratio[32], error[32];
    std::snprintf(ratio, sizeof ratio, "%.6f", drift.ratio);
    std::snprintf(error, sizeof error, "%.2g", drift.error);
    doubt = messages::say("%s; nor the drift of the matched cue edges (ratio %s, standard error %s)",
                          {doubt, ratio, error});
    return false;
}

int64_t measureEvidence(const PieceSearch& search, const Fit& best, Alignment& result) {
    // Partners: cues at least half covered by REF after mapping, among those
    // mapped where REF has cues; chance is the share of that time REF covers.
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    int32_t reached = 0;
    int64_t timeWithEvidence = 0;
    const std::vector<std::size_t> pieceOf = PieceSearch::pieceOfCue(best, search.cues().size());
    for (std::size_t i = 0; i < search.cues().size(); ++i) {
        const Span m = search.mapped(best, i, pieceOf[i]);
        if (!search.inReach(m)) continue;
        ++reached;
        first = std::min(first, m.start);
        last = std::max(last, m.end);
        if (m.end > m.start && 2 * coveredLength(m, search.ref()) >= m.end - m.start) ++result.partnered;
        result.met += search.evidence().meets(m.start, m.end);
        if (best.supported[pieceOf[i]] && !best.isCarried(i)) {
            ++result.withEvidence;
            // The time the cue stands for: up to the next cue's start.
            const auto& all = search.cues();
            if (i + 1 < all.size()) timeWithEvidence += static_cast<int64_t>(all[i + 1].start) - all[i].start;
        }
    }
    const double chance = reached ? search.ref().coverage(first, last) : 1.0;
    const double share = reached ? static_cast<double>(result.partnered) / static_cast<double>(reached) : 0.0;
    const bool supported = std::any_of(best.supported.begin(), best.supported.end(), [](bool s) { return s; });
    result.matched = beyondChance(share, chance) >= kLeastInCommon && result.partnered >= kLeastPartners && supported;
    if (!result.matched) {
        const std::string partnered = std::to_string(result.partnered), of = std::to_string(reached),
                          byChance = std::to_string(static_cast<int>(std::lround(chance * reached)));
        result.failure = supported
                             ? messages::say("INPUT and REF have too little in common: %s of %s INPUT cues found a "
                                             "partner, about %s would by chance",
                                             {partnered, of, byChance})
                             : messages::say("INPUT and REF have too little in common: %s of %s INPUT cues found a "
                                             "partner, about %s would by chance, and no stretch meets REF's cue edges "
                                             "more often than chance allows",
                                             {partnered, of, byChance});
    }
    return timeWithEvidence;
}

void judge(const PieceSearch& search, const Fit& best, const std::optional<Fit>& competitor, int64_t timeWithEvidence,
           const std::vector<PieceSearch::OddStretch>& odd, Alignment& result) {
    result.sure = true;
    // Evidence over INPUT's cues and over its time (a REF covering a short
    // part of the film can hold most of the cues of a sparse subtitle).
    const auto& all = search.cues();
    const double cueShare = static_cast<double>(result.withEvidence) / static_cast<double>(result.cues);
    const double timeShare = all.size() > 1 ? static_cast<double>(timeWithEvidence) /
                                                  static_cast<double>(std::max<int64_t>(1, static_cast<int64_t>(all.back().start) - all.front().start))
                                            : cueShare;
    result.timeWithEvidence = std::min(1.0, timeShare);
    if (cueShare < kLeastEvidence || timeShare < kLeastEvidence) {
        result.sure = false;
        result.doubt = messages::say("REF's cue edges confirm only %s of INPUT's cues, %s of its time",
                                     {percent(cueShare), percent(std::min(1.0, timeShare))});
    } else if (competitor && !clearlyBetter(search, best, *competitor, messages::say("the next candidate"), result.doubt) &&
               !ratioToldApart(search, best, *competitor, result.doubt)) {
        result.sure = false;
    } else if (!odd.empty()) {
        // A stretch the mapping leaves where another shift fits it clearly
        // better, not made a piece (too many pieces, or a worse score).
        const PieceSearch::OddStretch& o = odd.front();
        const auto& c = search.cues()[o.firstCue];
        char from[32];
        std::snprintf(from, sizeof from, "%.3f", c.start / 1000.0);
        result.sure = false;
        result.doubt = messages::say("%s cues from %s s of INPUT fit a shift of %s ms clearly better than the one they "
                                     "were given (%s of them closer to REF's cue edges, %s farther), and no mapping kept "
                                     "to the limit of splits with them",
                                     {std::to_string(o.cues), from, std::to_string(o.shift),
                                      std::to_string(o.contest.closerA), std::to_string(o.contest.closerB)});
    } else {
        // One split fewer: each piece taking its neighbour's shift (a piece
        // whose cues meet REF no more than chance, such as a cut scene's
        // beside a stretch made a piece of its own, has no evidence to lose).
        auto evidence = [&](std::size_t p) { return best.supported[p] || best.locallySupported[p]; };
        for (std::size_t p = 0; p + 1 < best.pieces.size() && result.sure; ++p) {
            for (const bool forward : {true, false}) {
                if (!evidence(forward ? p + 1 : p)) continue;
                Fit fewer = best;
                fewer.pieces[forward ? p + 1 : p].shift = best.pieces[forward ? p : p + 1].shift;
                if (!clearlyBetter(search, best, fewer, messages::say("one split fewer"), result.doubt)) {
                    result.sure = false;
                    break;
                }
            }
        }
    }
}

}  // namespace align
