#include "retime/alignment_report.h"

#include <algorithm>
#include <cstdlib>

#include "retime/exit_status.h"
#include "retime/messages.h"
#include "retime/run_report.h"

namespace retime {

void reportAlignment(const align::Alignment& found, double ratio) {
    RunReport& report = runReport();
    report.ratio = ratio;
    report.frameRates = found.unchanged ? "" : found.chosen.name;
    report.pieces.clear();
    for (const align::Piece& p : found.pieces) report.pieces.push_back(ReportPiece{p.from, p.shift, ratio});
    ReportVerdict v;
    v.sure = found.sure;
    v.doubt = found.sure ? "" : found.doubt;
    v.cues = found.cues;
    v.partnered = found.partnered;
    v.withEvidence = found.withEvidence;
    v.partnerShare = found.cues ? static_cast<double>(found.partnered) / found.cues : 0.0;
    v.evidenceShare = found.cues ? static_cast<double>(found.withEvidence) / found.cues : 0.0;
    v.evidenceTimeShare = found.timeWithEvidence;
    if (found.runnerUp && found.runnerUp->score > 0) v.margin = found.chosen.score / found.runnerUp->score;
    v.decidedBy = found.decidedBy;
    report.verdict = v;
}

void reportNoMatch(const align::Alignment& found) {
    ReportVerdict v;
    v.doubt = found.failure;
    v.cues = found.cues;
    v.partnered = found.partnered;
    v.partnerShare = found.cues ? static_cast<double>(found.partnered) / found.cues : 0.0;
    runReport().verdict = v;
}

int checkAlignment(const align::Alignment& found, double ratio, std::span<const align::Cue> cues, int toleranceMs,
                   std::string& line) {
    int64_t largest = 0;
    for (const align::Cue& c : cues) {
        const align::Piece& piece = found.pieces[align::pieceFor(found.pieces, c.start)];
        for (const int32_t t : {c.start, c.end}) {
            largest = std::max(largest, std::abs(align::mapTime(t, ratio, piece.shift) - t));
        }
    }
    const bool inSync = largest <= toleranceMs;
    runReport().check = ReportCheck{inSync, toleranceMs, largest};
    const std::string moved = std::to_string(largest), tolerance = std::to_string(toleranceMs);
    line = inSync ? say("check: INPUT is in sync with REF: no time moves more than %s ms (tolerance %s ms)",
                        {moved, tolerance})
                  : say("check: INPUT needs re-timing: times move by up to %s ms (tolerance %s ms); nothing written",
                        {moved, tolerance});
    return inSync ? kExitDone : kExitNeedsRetiming;
}

}  // namespace retime
