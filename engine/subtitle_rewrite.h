// Subtitle text rewriting: cutting the subtitle bytes into a header part and
// cues (start time, end time, tail) and writing them back with mapped times.
//
// The format of the text is recognised by its content (engine/subtitle_formats.h):
// SRT, WebVTT, ASS/SSA, SBV or MicroDVD. Only the times change: every other
// byte passes through as it was, every line end included, and a time whose
// value the mapping leaves (in the format's resolution) keeps its text.
//
// The working state lives in the program-level variables: the input bytes,
// the three cue lists (start list, end list, tail list) and the output bytes,
// which start as the header part and end as the whole re-timed text.
#pragma once

#include <stdint.h>

#include "engine/segment_fitting.h"

namespace engine {

// The largest subtitle the scan takes: positions are signed 32-bit and one
// past the end must still be a position.
constexpr int32_t kMaxSubtitleBytes = 0x7FFFFFF0;

// Empties the three cue lists, releasing every tail.
void emptyCueLists();

enum class ScanResult : uint8_t {
    Scanned,
    TooLarge,     // longer than kMaxSubtitleBytes
    NoFrameRate,  // a MicroDVD text whose frame rate is not known
};

// Scans the input bytes (program-level variable) into the header part, stored
// as the output bytes (the input in front of its first time, or all of it),
// and one entry per cue appended to the (empty) cue lists: its start and end
// time as read, and its tail from behind its time line's later time up to the
// next cue's first time (or the end). A MicroDVD text's frame rate is
// `framesPerSecond` when above 0, else its "{1}{1}FPS" first line. Anything
// but Scanned leaves the lists empty.
ScanResult scanCues(double framesPerSecond = 0);

// Writes the re-timed text into the output bytes: the input with the times of
// the n-th time line written as the n-th entries of the start and end lists
// mapped with the segment of that start time, and every time inside a cue's
// text (WebVTT) mapped as its cue's. Reads the mapping that fitSegments or
// useCustomMapping stored. A caller may store times of its own in the lists
// (mapping each cue itself, with the identity stored): a time inside a cue's
// text then moves in proportion between the cue's new start and end. A time
// below zero is written with "-" in SRT and as zero in the other formats,
// which hold none; `belowZero` (when given) receives how many became zero.
// False, with the output left as the header part, when the result would be
// longer than kMaxSubtitleBytes or a MicroDVD frame rate is unknown.
bool rebuildSubtitle(FitMode mode, double framesPerSecond = 0, int32_t* belowZero = nullptr);

}  // namespace engine
