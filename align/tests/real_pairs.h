// The real subtitles in the shared folder (SOURCES.md there says what each
// is) as cue times, and old releases made from them: a known transformation
// (a ratio, an offset, scenes added to or cut from the new release) applied
// to a subtitle that fits the new release, so that every cue's true new time
// is known.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"

namespace aligntest {

using align::Cue;

// The folder of the real subtitles.
std::string realSubtitleFolder();

// The cue times of a subtitle file: every line holding "-->", its times read
// with "," or "." before the fraction and the hours optional (a test-side
// reading, independent of the tool's).
std::vector<Cue> readCueTimes(const std::string& file);

// An edit of the new release against the old one, at `at` ms of the new
// release: a scene of `length` ms the new release has and the old lacks
// (length > 0; the new release's cues in it have no INPUT cue), or one the
// old release has and the new lacks (length < 0; INPUT holds dialogue there,
// cues copied from elsewhere in the film, with no true new time).
struct SceneEdit {
    int32_t at;
    int32_t length;
};

struct OldRelease {
    std::string name;
    double ratio = 1.0;   // new time = old time x ratio + shift, within a piece
    int32_t offset = 0;   // the shift of the first piece
    std::vector<SceneEdit> edits;  // ascending `at`
};

struct MadeInput {
    std::vector<Cue> input;
    std::vector<std::optional<Cue>> truth;  // per INPUT cue: its time in the new release
    std::vector<int32_t> editsAt;           // the edits, in new-release time (an added scene at both ends)
};

// INPUT for `old` made from `cues` (which fit the new release).
MadeInput makeOldRelease(const std::vector<Cue>& cues, const OldRelease& old);

// Cues cut to those starting before `share` of the span they cover.
std::vector<Cue> firstShare(const std::vector<Cue>& cues, double share);

// The share of cues (by their starts) within 50, 100, 400 and 800 ms of the
// truth, and the cues more than 1 s off farther than 10 s from any edit.
struct Accuracy {
    int cues = 0;
    double within[4] = {0, 0, 0, 0};
    int farOff = 0;
};
constexpr int32_t kAccuracyLimits[4] = {50, 100, 400, 800};
Accuracy accuracyOf(const MadeInput& made, const align::Alignment& found);

}  // namespace aligntest
