// tessaly-retime --reference FILM: REF taken from a film instead of a
// subtitle. The film's sound gives the speech runs INPUT is matched to; with
// --subtitle-stream, one of its text subtitle streams gives REF's cues.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "retime/reference_options.h"

namespace retime {

// Whether REF is a film (any video or sound file), judged by its content: a
// text stays a subtitle reference, and so do standard input and a file that
// cannot be opened (the subtitle reading says what is wrong with it).
bool isFilmReference(const std::string& path);

struct FilmReference {
    std::vector<align::Cue> cues;     // REF: the speech runs, or the subtitle stream's cues
    std::vector<std::string> report;  // what the film holds and what was used
    bool cancelled = false;           // stopped through FilmReading::cancel
};

// How a caller other than the tool follows a film's reading: the share done
// (on the reading thread, every 20 ms or so) and a flag that stops it.
struct FilmReading {
    std::function<void(double share)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

// Reads REF from the film: kExitDone, or the exit status with a one-line
// message in `error`. Without `reading` it reports progress on standard
// error while it decodes, and an ending signal (Ctrl+C) then ends the tool,
// nothing written; with it, a stop asked through it gives kExitFileOrTime
// with `film.cancelled` set.
int readFilmReference(const ReferenceOptions& options, FilmReference& film, std::string& error,
                      const FilmReading* reading = nullptr);

}  // namespace retime
