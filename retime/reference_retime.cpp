// tessaly-retime --reference REF: the aligner between the tool's reading and
// writing of subtitles.
#include "retime/reference_retime.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "align/frame_rates.h"
#include "align/speech_reference.h"
#include "engine/segment_fitting.h"
#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "retime/alignment_report.h"
#include "retime/complaint.h"
#include "retime/exit_status.h"
#include "retime/film_reference.h"
#include "retime/messages.h"
#include "retime/one_pass_retime.h"
#include "retime/retime_warnings.h"
#include "retime/segments_report.h"
#include "retime/subtitle_files.h"
#include "retime/window_words.h"
#include "runtime/entry_routine.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"
#include "vexrun/kernel/core/helper_table.h"

namespace retime {

using align::Alignment;
using align::AlignSettings;
using align::Cue;
using align::Piece;
using align::RatioCandidate;
using align::alignCues;
using align::exactDecimal;
using align::kMostSplits;
using align::mapTime;
using align::pieceFor;

namespace {

std::string timeText(int32_t ms) {
    prog::ByteSet text = engine::formatTimeText(ms);
    std::string s(reinterpret_cast<const char*>(prog::bytesOf(text)), prog::byteCount(text));
    vxFree(text);
    return s;
}

std::string signedTimeText(int32_t ms) {
    return ms < 0 ? timeText(ms) : "+" + timeText(ms);
}

// The cues the scan left in the cue lists.
std::vector<Cue> scannedCues() {
    const prog::ProgramVariables* v = prog::vars();
    const int32_t n = prog::elementCount(v->startList);
    std::vector<Cue> cues;
    cues.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 1; i <= n; ++i) cues.push_back(Cue{prog::intAt(v->startList, i), prog::intAt(v->endList, i)});
    return cues;
}

// Scans the subtitle `text` (named `path` in messages) into the cue lists;
// the header part stays in the output bytes, the text in the input bytes, for
// the rebuild. readAndScan reads it first as the tool reads subtitles (UTF-16
// as UTF-8, any format it knows).
bool scanIntoCueLists(const std::string& path, retime::ByteBuffer& text, std::string& error) {
    prog::ProgramVariables* v = prog::vars();
    engine::emptyCueLists();
    prog::storeBytes(&v->outputBytes, nullptr);
    prog::storeBytes(&v->inputBytes, prog::concatBytes(text.asByteSet()));
    if (engine::scanCues() == engine::ScanResult::NoFrameRate) {
        error = say("%s is MicroDVD (frame numbers) and gives no frame rate: with --reference it needs a first line "
                    "{1}{1}FPS",
                    {retime::inputName(path)});
        return false;
    }
    return true;
}

bool readAndScan(const std::string& path, retime::ByteBuffer& text, retime::SubtitleEncoding& encoding,
                 std::string& error) {
    return retime::readSubtitle(path, text, encoding, error) && scanIntoCueLists(path, text, error);
}

// The target time that makes a segment anchored at `source` take `shift`:
// round(target - source x ratio) = shift, as the segment fit computes it.
int32_t anchoredTarget(int32_t source, double ratio, int32_t shift) {
    const double p = static_cast<double>(source) * ratio;
    auto fitted = [&](int64_t target) { return static_cast<int64_t>(std::round(static_cast<double>(target) - p)); };
    int64_t target = shift + std::llround(p);
    for (int i = 0; i < 2 && fitted(target) != shift; ++i) target += shift - fitted(target);
    return static_cast<int32_t>(target);
}

// The `window:` line, read by scripts and by the window's own tests: in
// English whatever the user's language.
std::string windowLine(const std::optional<WindowOptions>& window, std::size_t pieces) {
    if (!window && pieces > 4) {
        return "window: cannot express " + std::to_string(pieces) + " pieces (it has at most 4 segments)";
    }
    if (!window) return "window: cannot express this mapping exactly";
    std::string line = "window: --segments " + std::to_string(window->segments) + " --ratio " + window->ratio;
    for (int32_t row : window->useRatioRows) line += " --use-ratio " + std::to_string(row);
    bool negative = false;
    for (const WindowPoint& p : window->points) {
        line += " --point " + std::to_string(p.row) + "=" + timeText(p.source) + "@" + timeText(p.target);
        negative = negative || p.target < 0;
    }
    line += " --align start";
    if (negative) line += " (a target below zero: the window's time boxes take none)";
    return line;
}

// Reads the window's options back through the segment fit, as the adjust
// action would: true when they give exactly the ratio, shifts and
// boundaries of the pieces.
struct WindowBoxes {
    const WindowOptions* window;
    int32_t source[5];
    int32_t target[5];
    bool useRatio[5];
    double ratio;
};

bool windowReproduces(const WindowOptions& window, const std::vector<Piece>& pieces) {
    WindowBoxes boxes{&window, {}, {}, {}, prog::textToDouble(window.ratio.c_str())};
    for (const WindowPoint& p : window.points) {
        boxes.source[p.row] = p.source;
        boxes.target[p.row] = p.target;
    }
    for (int32_t row : window.useRatioRows) boxes.useRatio[row] = true;
    const engine::PointSource points{
        &boxes,
        [](void* c, int32_t row) { return static_cast<WindowBoxes*>(c)->source[row]; },
        [](void* c, int32_t row) { return static_cast<WindowBoxes*>(c)->target[row]; },
        [](void* c, int32_t row) { return static_cast<WindowBoxes*>(c)->useRatio[row]; },
        [](void* c) { return static_cast<WindowBoxes*>(c)->ratio; },
        [](void*) { return true; }};
    const engine::FitMode mode = window.segments == 1   ? engine::FitMode::OneSegment
                                 : window.segments == 2 ? engine::FitMode::TwoSegments
                                                        : engine::FitMode::FourSegments;
    engine::SegmentFits fits{};
    if (!engine::fitSegments(mode, points, &fits)) return false;
    // Every cue start maps with the segment the window gives it.
    for (int32_t k = 0; k < fits.count; ++k) {
        const int32_t from = k == 0 ? INT32_MIN : fits.boundaries[k - 1];
        const Piece& piece = pieces[pieceFor(pieces, from)];
        if (fits.fits[k].ratio != boxes.ratio || fits.fits[k].shift != piece.shift) return false;
    }
    for (std::size_t p = 1; p < pieces.size(); ++p) {
        if (fits.boundaries[p - 1] != pieces[p].from) return false;
    }
    return true;
}

// The report's first line; `rewritten`: INPUT fit REF already, and its time
// texts were written again in the standard form.
std::string ratioLine(const Alignment& found, bool given, bool rewritten = false) {
    char buffer[64];
    const std::string ratio = exactDecimal(found.chosen.ratio);
    std::string line;
    if (found.unchanged) {
        line = rewritten ? say("ratio %s (INPUT already fits REF: times kept, their texts written in the standard form)",
                               {ratio})
                         : say("ratio %s (INPUT already fits REF: kept as it is)", {ratio});
    } else if (given) {
        line = say("ratio %s (given)", {ratio});
    } else if (!found.chosen.name.empty()) {
        std::string fps = found.chosen.name;
        fps.replace(fps.find(" -> "), 4, ":");
        line = say("ratio %s (frame rate %s, as --fps %s)", {ratio, found.chosen.name, fps});
    } else if (found.freeRatio) {
        line = say("ratio %s (a slow drift, no frame-rate pair)", {ratio});
    } else {
        line = say("ratio %s (no frame-rate change)", {ratio});
    }
    if (given || !found.runnerUp) return line;
    const RatioCandidate& next = *found.runnerUp;
    const std::string nextRatio =
        next.name.empty() ? exactDecimal(next.ratio) : exactDecimal(next.ratio) + " (" + next.name + ")";
    if (next.score > 0) {
        std::snprintf(buffer, sizeof buffer, "%.2f", found.chosen.score / next.score);
        return say("%s, scoring %s times the next candidate, %s", {line, buffer, nextRatio});
    }
    return say("%s, the next candidate, %s, scoring nothing", {line, nextRatio});
}

// Report lines on standard error, in the user's language.
void printReport(const std::vector<std::string>& report) {
    for (const std::string& line : report) std::fprintf(stderr, "%s\n", shown(line).c_str());
}

// The ordinary mode's warnings for INPUT mapped by the pieces: a pass over
// INPUT's text that sees every time line, each mapped time given by the
// piece of its cue.
class PieceWarnings : public retime::TimeLineWatcher {
public:
    PieceWarnings(const retime::ByteBuffer& text, engine::SubtitleFormat format, const Alignment& found, double ratio)
        : warnings_(text.data(), text.size(), format), found_(found), ratio_(ratio) {}

    void timeWritten(const engine::TimeWritten& time) override {
        engine::TimeWritten mapped = time;
        const Piece& piece = found_.pieces[pieceFor(found_.pieces, time.cue->readStart)];
        const engine::SegmentFit fit{ratio_, piece.shift, 1, 0};
        mapped.mapped = engine::mapTime(time.read, fit);
        mapped.held = engine::mapTimeHolds(time.read, fit);
        warnings_.timeWritten(mapped);
    }
    std::vector<std::string> lines() const { return warnings_.lines(); }
    std::vector<ReportWarning> entries() const { return warnings_.entries(); }

private:
    retime::RetimeWarnings warnings_;
    const Alignment& found_;
    double ratio_;
};

std::string share(double part) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", 100 * part);
    return buffer;
}

}  // namespace

std::optional<WindowOptions> windowOptions(double ratio, const std::vector<Piece>& pieces,
                                           const std::vector<int32_t>& starts) {
    const auto count = static_cast<int32_t>(pieces.size());
    if (count < 1 || count > 4 || starts.empty()) return std::nullopt;
    WindowOptions window{count == 1 ? 1 : count == 2 ? 2 : 4, exactDecimal(ratio), {}, {}};
    const int32_t step = 4 / window.segments;

    // The first segment is anchored at its first cue that maps to zero or
    // later (the window's boxes take no negative time), else its first cue.
    int32_t source = pieces[0].from;
    for (int32_t s : starts) {
        if (count > 1 && s >= pieces[1].from) break;
        if (s >= pieces[0].from && mapTime(s, ratio, pieces[0].shift) >= 0) {
            source = s;
            break;
        }
    }
    for (int32_t k = 1; k <= window.segments; ++k) {
        // A fourth segment for three pieces repeats the third piece's shift.
        const Piece& piece = pieces[static_cast<std::size_t>(std::min(k, count) - 1)];
        if (k > 1) source = k <= count ? piece.from : source + 1;
        window.points.push_back(WindowPoint{(k - 1) * step, source, anchoredTarget(source, ratio, piece.shift)});
        window.useRatioRows.push_back(k * step);
    }
    // Row 4 closes the last segment; its ratio is replaced by the custom one.
    const int32_t last = std::max(starts.back(), source + 1);
    window.points.push_back(WindowPoint{4, last, static_cast<int32_t>(mapTime(last, ratio, pieces.back().shift))});
    return window;
}

int readReferenceCues(const ReferenceOptions& options, ReferenceCues& ref, std::string& error,
                      const FilmReading* reading) {
    if (isFilmReference(options.reference)) {
        FilmReference film;
        const int status = readFilmReference(options, film, error, reading);
        ref.report = std::move(film.report);
        if (status != retime::kExitDone) return status;
        ref.filmSpeech = !options.subtitleStream;
        ref.cues = std::move(film.cues);
        return retime::kExitDone;
    }
    if (options.audioStream || options.subtitleStream) {
        error = say("%s goes with a film as REF, and REF is a subtitle",
                    {options.audioStream ? "--audio-stream" : "--subtitle-stream"});
        return retime::kExitUsage;
    }
    retime::SubtitleEncoding encoding;
    retime::ByteBuffer text;
    if (!readAndScan(options.reference, text, encoding, error)) return retime::kExitFileOrTime;
    ref.cues = scannedCues();
    return retime::kExitDone;
}

bool scanInputText(const std::string& name, retime::ByteBuffer& text, std::vector<Cue>& cues, std::string& error) {
    if (!scanIntoCueLists(name, text, error)) return false;
    cues = scannedCues();
    return true;
}

Alignment alignInput(const ReferenceOptions& options, const std::vector<Cue>& cues, const ReferenceCues& ref) {
    AlignSettings settings;
    settings.maxSplits = options.splits;
    settings.fixedRatio = options.fpsRatio;
    settings.speech = ref.filmSpeech;
    Alignment found = alignCues(cues, ref.cues, settings);
    if (ref.filmSpeech) {
        align::alignToOnsets(found, cues, ref.cues);
        align::doubtEndStretches(found, cues, ref.cues);
    }
    return found;
}

std::optional<std::size_t> piecesWithMoreSplits(const ReferenceOptions& options, const std::vector<Cue>& cues,
                                                const ReferenceCues& ref, const Alignment& found,
                                                int32_t* partnered) {
    if (options.splits >= kMostSplits || found.partnered == 0) return std::nullopt;
    ReferenceOptions more = options;
    more.splits = kMostSplits;
    const Alignment wider = alignInput(more, cues, ref);
    if (!wider.matched || (found.matched && !wider.sure)) return std::nullopt;
    if (partnered) *partnered = wider.partnered;
    return wider.pieces.size();
}

double windowRatio(Alignment& found) {
    found.chosen.ratio = prog::textToDouble(exactDecimal(found.chosen.ratio).c_str());
    return found.chosen.ratio;
}

std::optional<WindowOptions> reproducingWindow(double ratio, const std::vector<Piece>& pieces,
                                               const std::vector<Cue>& cues) {
    std::vector<int32_t> starts;
    for (const Cue& c : cues) starts.push_back(c.start);
    std::sort(starts.begin(), starts.end());
    std::optional<WindowOptions> window = windowOptions(ratio, pieces, starts);
    if (window && !windowReproduces(*window, pieces)) window.reset();
    return window;
}

int retimeToReference(const ReferenceOptions& options, const std::string& input, const std::string& output) {
    prog::useHelperTable(vexrun::hostHelperTable());
    setUpGlobals();
    prog::ProgramVariables* v = prog::vars();
    std::string error;
    auto fail = [&](const std::string& what, int status) {
        complain(what);
        releaseGlobals();
        return status;
    };

    retime::SubtitleEncoding inputEncoding;
    retime::ByteBuffer inputText;
    ReferenceCues ref;
    const int status = readReferenceCues(options, ref, error);
    // What the film held and what was used, at once: before a refusal too.
    printReport(ref.report);
    if (status != retime::kExitDone) {
        const bool film = status != retime::kExitUsage && isFilmReference(options.reference);
        return fail(film ? say("%s; nothing written", {error}) : error, status);
    }
    if (!readAndScan(input, inputText, inputEncoding, error)) return fail(error, retime::kExitFileOrTime);
    const std::vector<Cue> cues = scannedCues();
    reportReading(engine::readingOf(inputText.data(), static_cast<int32_t>(inputText.size()), 0).format, inputEncoding);

    Alignment found = alignInput(options, cues, ref);
    if (!found.matched) {
        reportNoMatch(found);
        // Too few splits allowed can be the reason: say how many would do.
        std::string why = found.failure;
        int32_t partnered = 0;
        if (const auto pieces = piecesWithMoreSplits(options, cues, ref, found, &partnered)) {
            why = say("%s (with --splits %s, %s would)", {why, std::to_string(*pieces - 1), std::to_string(partnered)});
        }
        return fail(say("%s; nothing written", {why}), retime::kExitNothingInCommon);
    }

    // The ratio is written as text for the window; the mapping uses what that
    // text reads as, so both are the same double.
    const double ratio = windowRatio(found);
    const PinResult pinned = pinAnchors(found.pieces, ratio, cues, options.anchors);
    if (pinned.changed) found.unchanged = false;
    for (const std::string& line : pinned.contradicting) reportWarnings({{std::nullopt, say("warning: %s", {line})}});
    reportAlignment(found, ratio);

    // The report: the mapping, how much of INPUT had evidence, the verdict.
    std::vector<std::string> report;
    report.push_back(ratioLine(found, options.fpsRatio.has_value()));
    if (!options.fpsRatio && found.runnerUp && !found.unchanged) report.push_back(say("ratio decided by %s", {found.decidedBy}));
    for (std::size_t p = 0; p < found.pieces.size(); ++p) {
        report.push_back(say("piece %s from %s: shift %s", {std::to_string(p + 1), timeText(found.pieces[p].from),
                                                             signedTimeText(found.pieces[p].shift)}));
    }
    report.insert(report.end(), pinned.lines.begin(), pinned.lines.end());
    report.push_back(say("partners: %s of %s INPUT cues (%s) found a partner in REF",
                         {std::to_string(found.partnered), std::to_string(found.cues),
                          share(found.cues ? static_cast<double>(found.partnered) / found.cues : 0.0)}));
    report.push_back(say("evidence: %s of %s INPUT cues (%s, %s of its time) lie in pieces whose cue edges meet REF's "
                         "beyond chance; the rest carry a piece on",
                         {std::to_string(found.withEvidence), std::to_string(found.cues),
                          share(found.cues ? static_cast<double>(found.withEvidence) / found.cues : 0.0),
                          share(found.timeWithEvidence)}));
    if (!found.sure) {
        report.push_back(say("unsure: %s", {found.doubt}));
        if (!options.acceptUnsure || options.check) {
            printReport(report);
            return fail(say("the alignment is unsure; nothing written (--accept-unsure writes it)"), retime::kExitUnsure);
        }
        report.push_back(say("written as asked (--accept-unsure)"));
    }
    if (options.check) {
        std::string verdict;
        const int status = checkAlignment(found, ratio, cues, options.toleranceMs, verdict);
        report.push_back(verdict);
        printReport(report);
        releaseGlobals();
        return status;
    }

    // Each cue's times mapped by its piece into the cue lists; the engine's
    // rebuild then writes them with the identity mapping.
    for (int32_t i = 1; i <= static_cast<int32_t>(cues.size()); ++i) {
        const Cue& cue = cues[static_cast<std::size_t>(i - 1)];
        const Piece& piece = found.pieces[pieceFor(found.pieces, cue.start)];
        const engine::SegmentFit fit{ratio, piece.shift, 1, 0};
        if (!engine::mapTimeHolds(cue.start, fit) || !engine::mapTimeHolds(cue.end, fit)) {
            return fail(retime::unheldTimeLine(say("INPUT cue %s", {std::to_string(i)}), cue.start, cue.end),
                        retime::kExitFileOrTime);
        }
        *prog::intSlot(v->startList, i) = engine::mapTime(cue.start, fit);
        *prog::intSlot(v->endList, i) = engine::mapTime(cue.end, fit);
    }

    // The ordinary mode's warnings, from a pass over INPUT's text.
    engine::useCustomMapping(1.0, 0);
    const engine::SubtitleReading reading =
        engine::readingOf(inputText.data(), static_cast<int32_t>(inputText.size()), 0);
    PieceWarnings warnings(inputText, reading.format, found, ratio);
    {
        retime::ByteBuffer scratch;
        retime::retimeInOnePass(inputText.asByteSet(), reading, engine::FitMode::CustomRatio, scratch, &warnings);
    }
    if (!engine::rebuildSubtitle(engine::FitMode::CustomRatio)) {
        return fail(tooLargeComplaint(), retime::kExitFileOrTime);
    }
    const prog::ByteSetBlock* result = v->outputBytes;
    const std::size_t resultSize = prog::byteCount(result);
    if (!retime::writeSubtitle(output, inputEncoding, result ? prog::bytesOf(result) : nullptr, resultSize, error)) {
        return fail(error, retime::kExitFileOrTime);
    }
    // "Kept as it is" only when not one byte changed.
    const bool same = resultSize == inputText.size() &&
                      (resultSize == 0 || std::equal(inputText.data(), inputText.data() + resultSize, prog::bytesOf(result)));
    if (found.unchanged && !same) {
        report[0] = ratioLine(found, options.fpsRatio.has_value(), true);
    }
    for (const std::string& line : warnings.lines()) report.push_back(line);
    reportWarnings(warnings.entries());

    const std::optional<WindowOptions> window = reproducingWindow(ratio, found.pieces, cues);
    report.push_back(windowLine(window, found.pieces.size()));
    if (window) report.push_back(windowWords(*window));
    printReport(report);
    releaseGlobals();
    return retime::kExitDone;
}

}  // namespace retime
