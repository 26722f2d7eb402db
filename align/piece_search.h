// Finding the pieces of a mapping for one ratio: candidate offsets from the
// coarse correlation of all of INPUT, each refined to the millisecond, and
// from votes of runs of cues (the offsets of short pieces); the best sequence
// of offsets over INPUT's cues with at most N changes (dynamic programming
// with a penalty per change); each piece's offset refined on its own cues and
// each change moved to the cue where the evidence changes; pieces whose cue
// edges meet REF's no more than chance joined to their neighbour; at the end,
// stretches left at a wrong shift made pieces of their own.
//
// The parts: align/piece_search.cpp (fitting and settling the pieces),
// align/offset_sequence.cpp (candidate offsets, the best sequence of them),
// align/piece_evidence.cpp (what the cue edges say about a fit),
// align/odd_stretches.cpp (stretches left at a wrong shift), their shared
// tuning in align/piece_search_tuning.h.
#pragma once

#include <stdint.h>

#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "align/aligner.h"
#include "align/boundary_evidence.h"
#include "align/coarse_offsets.h"
#include "align/overlap_score.h"

namespace align {

// A change of offset must win this much score (about four well-matched
// cues) to be made.
constexpr double kSplitPenalty = 4.0;

constexpr double kNoScore = -std::numeric_limits<double>::infinity();

// A competing mapping that moves at least kLeastClearCues cues with evidence
// by more than kVisibleMove ms must fit them clearly worse (a test statistic
// of kClearMargin, about p = 0.001).
constexpr int64_t kVisibleMove = 200;
constexpr double kClearMargin = 3.0;
constexpr int64_t kLeastClearCues = 3;

// Two mappings A and B compared on the cues with evidence that they place
// more than kVisibleMove apart (cues meeting REF under either): the distance
// of their edges from REF's under each. Two tests, either enough: far more of
// the cues lie closer under A than under B (a sign test, z: robust where a
// second subtitle's jitter and cues without partners make the distances
// noisy), or the distances are shorter by more than their spread allows (a
// paired t statistic: strong on a few cues that all fit far better).
struct EdgeContest {
    int64_t moved = 0;
    int64_t closerA = 0;
    int64_t closerB = 0;
    double z = 0;
    double t = 0;
    // A fits clearly better, or B moves too few cues to be a competitor.
    bool clear() const {
        return moved < kLeastClearCues || z >= kClearMargin || (t >= kClearMargin && closerA > closerB);
    }
};

// One ratio's mapping and how well it fits.
struct Fit {
    double ratio = 1.0;
    std::vector<Piece> pieces;
    std::vector<std::size_t> firstCue;  // index of each piece's first cue
    std::vector<bool> supported;        // per piece: its edges meet REF beyond chance
    std::vector<bool> locallySupported; // per piece: the same at its own offset alone
    std::vector<double> scores;         // per piece: its summed score
    // Per cue (empty: none): carried on by its piece without being evidence
    // for it, the cues left beside a recovered stretch that joined a
    // neighbour; a competing mapping is weighed without them.
    std::vector<bool> carried;
    bool isCarried(std::size_t cue) const { return cue < carried.size() && carried[cue]; }
    double raw = 0;                     // summed score
    double total = kNoScore;            // less the split penalties
};

// INPUT's cues (in start order) against REF, searched ratio by ratio.
class PieceSearch {
public:
    // `widest`: the ratio furthest from 1 that may be tried (a free ratio
    // lies close to a tried one); `trials`: how many ratios are tried;
    // `speech`: REF's cues are runs of speech, only their starts are edges.
    PieceSearch(std::vector<Cue> cues, ReferenceCues ref, std::span<const Cue> rawRef, int maxSplits, double widest,
                double trials, bool speech = false);

    const std::vector<Cue>& cues() const { return cues_; }
    const ReferenceCues& ref() const { return ref_; }
    const BoundaryEvidence& evidence() const { return evidence_; }

    // INPUT's cues scaled by `ratio`, each at most kLongestScoredCue long.
    std::vector<Span> scaled(double ratio) const;

    // How high the correlation with REF peaks for the cues scaled by each ratio.
    std::vector<double> screeningScores(const std::vector<double>& ratios) const;

    // The best pieces for INPUT's cues scaled by `ratio` (`spans`).
    Fit fitWithRatio(double ratio, const std::vector<Span>& spans);
    // The pieces of `fit` under another ratio, each piece's shift refined.
    Fit refitWithRatio(const Fit& fit, double ratio);

    // A stretch left at a wrong shift: a run of cues meeting REF's edges no
    // more than chance under its piece's shift, which, made a piece of its
    // own at a shift that votes of its cues against every REF cue near them
    // find (whatever their lengths), grows to kLongOddStretch cues or more
    // (the cues around it agree) and fits the cues it moves clearly better.
    struct OddStretch {
        std::size_t firstCue = 0;
        std::size_t cues = 0;
        int64_t shift = 0;
        EdgeContest contest;
        Fit fit;  // the mapping with the stretch made a piece
    };
    // Each such stretch made a piece where that keeps to the split limit and
    // scores better, the longest first; returns those left.
    std::vector<OddStretch> recoverStretches(Fit& fit);

    // The score of the identity mapping.
    double identityScore() const;

    // Where a fit maps cue i.
    Span mapped(const Fit& fit, std::size_t i, std::size_t piece) const;

    // The piece of each cue.
    static std::vector<std::size_t> pieceOfCue(const Fit& fit, std::size_t n);

    // How closely the cue edges fit REF under a fit, summed over the cues.
    double edgeFit(const Fit& fit) const;

    // Whether a mapped time lies where REF has cues.
    bool inReach(const Span& m) const;

    // A compared with B on the cues [from, to) (EdgeContest).
    EdgeContest contest(const Fit& a, const Fit& b, std::size_t from = 0,
                        std::size_t to = std::numeric_limits<std::size_t>::max()) const;

    // The ratio that the pieces of `fit` show, finer than the overlap: a
    // least-squares line through the moments matched in each piece (a cue's
    // start or end and its REF partner's within kSameMoment), one slope for
    // all pieces, and its standard error. Ratio 0 when too little is matched.
    struct Drift {
        double ratio = 0;
        double error = 0;
    };
    Drift drift(const Fit& fit) const;

private:
    // Each piece refined, each change placed, unsupported pieces joined, the
    // rest marked supported.
    void settle(const std::vector<Span>& spans, Fit& fit);

    // Candidate offsets: the best offsets around the highest peaks of the
    // whole correlation, and those the runs of cues vote for.
    std::vector<int64_t> candidateOffsets(const std::vector<Span>& spans);

    // Offsets of short pieces, which the correlation of the whole film
    // misses: in each run of kRunCues cues (runs overlapping by half),
    // every pair of a cue and a REF cue of about its length (within
    // kMeetingDistance) within kVoteReach of `centre` votes for the offset
    // that makes their starts meet, in bins of kVoteBin; two neighbouring
    // bins holding kLeastVotes votes or more give a candidate, refined on
    // the run's cues. By chance a pair of bins holds about one vote.
    void addVotedOffsets(const std::vector<Span>& spans, int64_t centre, std::vector<int64_t>& offsets);

    // For each cue the index of its offset: the sequence with the best score
    // less a penalty per change (kSplitPenalty, raised only as far as needed
    // to keep to maxSplits_ changes), each change between cues with different
    // starts. Cues with the same start move together: the sequence runs over
    // groups of them, so that cues piled up at one moment cost one step.
    std::vector<std::size_t> bestSequence(const std::vector<Span>& spans, const std::vector<int64_t>& offsets);

    // The best sequence of offsets over g groups (score[x * k + j]: group x
    // at offset j) less `penalty` per change; returns the number of changes.
    // A very high penalty makes none.
    std::size_t penalisedSequence(const std::vector<float>& score, std::size_t g, std::size_t k, double penalty,
                                  std::vector<std::size_t>& choice);

    // The scaled end of cue i, whose span `a` may be cut short for scoring.
    int64_t edgeEnd(std::size_t i, const Span& a) const;

    // How well cue i (scaled to `a`) fits REF moved by `offset`: its overlap
    // score and the closeness of its edges, as the sequence of offsets weighs them.
    double fitOfCue(std::size_t i, const Span& a, int64_t offset) const;
    // Which side of a change cue i belongs to, as placeChanges weighs it: the
    // fit of the cue; against speech, the share of the cue's time that speech
    // covers (kSpeechCoverWeight), how closely its start meets the onset of
    // an utterance (speech resuming after a lost word is no place a line
    // begins, and a cue of the other side meets one by chance), and the
    // silence in the pause after it.
    double sideOfCue(const std::vector<Span>& spans, std::size_t i, int64_t offset) const;
    // (Against speech.) kSilenceWeight times the share of the pause after cue i
    // (before the next cue) that is silent at `offset`; 0 for a short pause.
    // Speech covering a cue says little where the film talks on and on, but a
    // pause in INPUT should be a pause in the film.
    double silenceAfter(const std::vector<Span>& spans, std::size_t i, int64_t offset) const;

    std::size_t endOf(const Fit& fit, std::size_t p) const;

    // Each piece's offset searched on its own cues (pieces [first, last);
    // the others keep theirs and their scores); neighbours that end up with
    // the same offset become one piece.
    void refinePieces(const std::vector<Span>& spans, Fit& fit, std::size_t first = 0,
                      std::size_t last = std::numeric_limits<std::size_t>::max());

    // Each change of offset moved to the cue where the evidence changes: the
    // place between the neighbouring changes where the two pieces' offsets
    // score best; where the cues in between fit neither (a stretch without
    // partners), the longest pause among them, where a scene most likely
    // begins.
    // Only the changes between pieces [first, last) move when given, each at
    // most `reach` cues.
    void placeChanges(const std::vector<Span>& spans, Fit& fit, std::size_t first = 0,
                      std::size_t last = std::numeric_limits<std::size_t>::max(),
                      std::size_t reach = std::numeric_limits<std::size_t>::max()) const;

    // The cue edges of piece p against REF: cues mapped where REF has cues,
    // those meeting it, and how surprising that is by chance (log10 of the
    // probability) over every offset and ratio tried, and at its own offset
    // alone.
    struct Support {
        int64_t inReach = 0;
        int64_t met = 0;
        double surprise = 0;
        double localSurprise = 0;
    };
    Support supportOf(const Fit& fit, std::size_t p) const;

    // The odd stretches of `fit` (recoverStretches).
    std::vector<OddStretch> oddStretches(const Fit& fit);

    // Marks the supported pieces (beyond chance over every offset and ratio
    // tried) and those supported at their own offset; the fit's total counts
    // their scores alone (the score of cues fitted where chance put them is
    // no evidence).
    void markSupport(Fit& fit) const;

    // A piece whose edges meet REF no more than chance allows (cues of a cut
    // scene happening to fit some other offset, or cues beyond REF's end)
    // joins the piece before it, or the one after when it is the first. True
    // when any piece went; nothing changes when none is supported. Pieces
    // marked in `keep` (stretches made pieces) stay whatever their support.
    bool joinUnsupported(Fit& fit, const std::vector<bool>& keep = {}) const;

    std::vector<Cue> cues_;
    ReferenceCues ref_;
    BoundaryEvidence evidence_;
    BoundaryEvidence utterances_;  // against speech: onsets after a pause only
    int maxSplits_;
    bool speech_ = false;
    double trials_ = 1;
    std::unique_ptr<CoarseOffsets> screen_;
    std::unique_ptr<CoarseOffsets> coarse_;
    OffsetScratch scratch_;
    std::vector<double> rowScratch_;
    std::vector<uint8_t> changed_;
    std::vector<int32_t> votes_;
};

}  // namespace align
