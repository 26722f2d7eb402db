// tessaly-retime --reference FILM: REF taken from a film instead of a
// subtitle. The film's sound gives the speech runs INPUT is matched to; with
// --subtitle-stream, one of its text subtitle streams gives REF's cues.
#pragma once

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
};

// Reads REF from the film: kExitDone, or the exit status with a one-line
// message in `error`. Reports progress on standard error while it decodes;
// an ending signal (Ctrl+C) then ends the tool, nothing written.
int readFilmReference(const ReferenceOptions& options, FilmReference& film, std::string& error);

}  // namespace retime
