// tessaly-retime --reference REF: reads INPUT and REF as the tool reads any
// subtitle, finds the mapping with the aligner, writes INPUT re-timed through
// the engine's own rewrite (every byte but the times unchanged) and reports
// the mapping on standard error, with the window's options for it.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "retime/byte_buffer.h"
#include "retime/film_reference.h"
#include "retime/reference_options.h"

namespace retime {

// The exit status (retime/exit_status.h): done, a file not readable
// or writable, or too little in common (nothing written).
int retimeToReference(const ReferenceOptions& options, const std::string& input, const std::string& output);

// The options of the tool's ordinary mode that give the same mapping, as the
// window's boxes take them: with segment-start alignment and the custom ratio
// in every segment, each segment's shift comes from its lower row alone.
// `starts` are INPUT's cue starts in ascending order. Nothing when the
// window's at most four segments cannot hold the pieces.
struct WindowPoint {
    int32_t row;
    int32_t source;
    int32_t target;
};
struct WindowOptions {
    int32_t segments;
    std::string ratio;
    std::vector<int32_t> useRatioRows;
    std::vector<WindowPoint> points;
};
std::optional<WindowOptions> windowOptions(double ratio, const std::vector<align::Piece>& pieces,
                                           const std::vector<int32_t>& starts);

// The steps of the reference mode, shared by the tool and the window's sync
// (vexrun/synvox). They run on the program's globals (set up by the caller).

// REF's cues: a film's speech runs (or one of its text subtitle streams),
// else a subtitle's cues. kExitDone, or the exit status with a one-line
// `error`; `reading` (optional) reports a film's progress and stops it.
struct ReferenceCues {
    std::vector<align::Cue> cues;
    bool filmSpeech = false;          // REF is a film's speech runs
    std::vector<std::string> report;  // what the film holds and what was used
};
int readReferenceCues(const ReferenceOptions& options, ReferenceCues& ref, std::string& error,
                      const FilmReading* reading = nullptr);

// INPUT's text (named `name` in messages) scanned into the cue lists, and its
// cues; false with the reason (a MicroDVD text without its frame rate).
bool scanInputText(const std::string& name, ByteBuffer& text, std::vector<align::Cue>& cues, std::string& error);

// The mapping the tool finds for INPUT's cues (with a film's speech, each
// piece moved to the onsets of speech and its end stretches doubted).
align::Alignment alignInput(const ReferenceOptions& options, const std::vector<align::Cue>& cues,
                            const ReferenceCues& ref);

// When the splits allowed were fewer than the most: the pieces a sure
// mapping with the most splits has (and, in `partnered`, its partnered cues).
std::optional<std::size_t> piecesWithMoreSplits(const ReferenceOptions& options, const std::vector<align::Cue>& cues,
                                                const ReferenceCues& ref, const align::Alignment& found,
                                                int32_t* partnered);

// The ratio as the window's text gives it back (the mapping uses that double).
double windowRatio(align::Alignment& found);

// The window's options that give exactly the pieces, read back through the
// segment fit; nothing when the window cannot.
std::optional<WindowOptions> reproducingWindow(double ratio, const std::vector<align::Piece>& pieces,
                                               const std::vector<align::Cue>& cues);

}  // namespace retime
