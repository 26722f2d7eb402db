// Finding the pieces of a mapping for one ratio: the search's frame (the
// cues scaled, each ratio fitted and settled), each piece's offset refined and
// each change placed.
#include "align/piece_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "align/piece_search_tuning.h"
#include "align/speech_reference.h"

namespace align {
namespace {

// Every ratio is screened by a coarse correlation (bins for both subtitles
// together); the whole search starts from a finer one.
constexpr int64_t kScreeningBins = 1 << 13;
constexpr int64_t kSearchBins = 1 << 15;
// A piece's own offset is searched this far around its candidate.
constexpr int64_t kPieceWindow = 1000;

}  // namespace

PieceSearch::PieceSearch(std::vector<Cue> cues, ReferenceCues ref, std::span<const Cue> rawRef, int maxSplits,
                         double widest, double trials, bool speech)
    : cues_(std::move(cues)),
      ref_(std::move(ref)),
      evidence_(rawRef, speech),
      utterances_(speech ? utterances(rawRef) : std::vector<Cue>{}, speech),
      maxSplits_(maxSplits),
      speech_(speech) {
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

int64_t PieceSearch::edgeEnd(std::size_t i, const Span& a) const {
    return a.end - a.start < kLongestScoredCue ? a.end : a.start + (static_cast<int64_t>(cues_[i].end) - cues_[i].start);
}

double PieceSearch::fitOfCue(std::size_t i, const Span& a, int64_t offset) const {
    return cueScore(a, ref_, offset) + kEdgeWeight * evidence_.closeness(a.start + offset, edgeEnd(i, a) + offset);
}

double PieceSearch::silenceAfter(const std::vector<Span>& spans, std::size_t i, int64_t offset) const {
    if (i + 1 >= spans.size()) return 0;
    const int64_t end = spans[i].end;
    const int64_t gap = spans[i + 1].start - end;
    if (gap < kShortestHeardPause) return 0;
    // Past the cue's own speech dying away; the half nearer the next cue is
    // left to that one.
    const int64_t from = end + std::min(kSpeechDyingAway, gap / 4), to = end + std::min(gap / 2, kLongestHeardPause);
    return kSilenceWeight * (1 - ref_.coverage(from + offset, to + offset));
}

double PieceSearch::sideOfCue(const std::vector<Span>& spans, std::size_t i, int64_t offset) const {
    const Span& a = spans[i];
    if (!speech_ || a.end <= a.start) return fitOfCue(i, a, offset);
    return kSpeechCoverWeight * ref_.coverage(a.start + offset, a.end + offset) +
           kEdgeWeight * utterances_.closeness(a.start + offset, edgeEnd(i, a) + offset) + silenceAfter(spans, i, offset);
}

std::size_t PieceSearch::endOf(const Fit& fit, std::size_t p) const {
    return p + 1 < fit.pieces.size() ? fit.firstCue[p + 1] : cues_.size();
}

void PieceSearch::refinePieces(const std::vector<Span>& spans, Fit& fit, std::size_t first, std::size_t last) {
    fit.scores.resize(fit.pieces.size(), 0.0);
    for (std::size_t p = first; p < std::min(last, fit.pieces.size()); ++p) {
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
    }
    fit.raw = 0;
    for (const double score : fit.scores) fit.raw += score;
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

void PieceSearch::placeChanges(const std::vector<Span>& spans, Fit& fit, std::size_t first, std::size_t last,
                               std::size_t reach) const {
    for (std::size_t p = first; p + 1 < std::min(last, fit.pieces.size()); ++p) {
        const std::size_t now = fit.firstCue[p + 1];
        // The change lies in [from, to).
        const std::size_t from = std::max(fit.firstCue[p] + 1, now > reach ? now - reach : 0);
        const std::size_t to = std::min(endOf(fit, p + 1), reach < cues_.size() ? now + reach + 1 : cues_.size());
        if (to <= from + 1) continue;
        // gain[b]: score of cues [from - 1, b) at piece p's offset and
        // [b, to) at piece p + 1's, less a constant.
        double running = 0;
        std::vector<double> before(to - from + 1);
        for (std::size_t b = from; b < to; ++b) {
            running += sideOfCue(spans, b - 1, fit.pieces[p].shift) - sideOfCue(spans, b - 1, fit.pieces[p + 1].shift);
            before[b - from] = running;
        }
        // The best place, and the places next to it whose evidence lies
        // within `doubt` of it: a cue can meet an onset of the other
        // release's scene by chance (kSpeechDoubt), or an edge of a REF cue
        // of the other side (kSubtitleDoubt), so among those the
        // longest pause wins, where a scene most likely begins; likewise
        // where the cues in between fit neither (a stretch without partners).
        // Against speech the places need not be next to it: a cue between
        // them that meets an onset by chance is no wall, as long as the cues
        // in between, summed, tell the places apart by less than the doubt.
        std::size_t top = to;
        for (std::size_t b = from; b < to; ++b) {
            if (cues_[b].start > cues_[b - 1].start && (top == to || before[b - from] > before[top - from])) top = b;
        }
        if (top == to) continue;
        const double doubt = speech_ ? kSpeechDoubt : kSubtitleDoubt;
        const double least = before[top - from] - doubt - 1e-9 * std::max(1.0, std::fabs(before[top - from]));
        // (Cues sharing a start are no place: they neither end the run nor join it.)
        auto within = [&](std::size_t b) { return cues_[b].start <= cues_[b - 1].start || before[b - from] >= least; };
        std::size_t lo = speech_ ? from : top, hi = speech_ ? to : top + 1;
        while (lo > from && within(lo - 1)) --lo;
        while (hi < to && within(hi)) ++hi;
        double best = kNoScore;
        std::size_t at = top;
        int64_t pause = -1;
        for (std::size_t b = lo; b < hi; ++b) {
            if (cues_[b].start <= cues_[b - 1].start || !within(b)) continue;
            const double gain = before[b - from];
            const int64_t gap = static_cast<int64_t>(cues_[b].start) - std::max(cues_[b - 1].end, cues_[b - 1].start);
            if (gap > pause || (gap == pause && gain > best)) {
                best = gain;
                at = b;
                pause = gap;
            }
        }
        fit.firstCue[p + 1] = at;
        fit.pieces[p + 1].from = cues_[at].start;
    }
}

}  // namespace align
