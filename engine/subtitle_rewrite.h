// Subtitle text rewriting: cutting the subtitle bytes into a header part and
// cues (start time, end time, tail) and writing them back with mapped times.
//
// A line end is CR LF, LF, or a CR not followed by LF (engine/line_ends.h);
// a time line is any line holding "-->". Everything but the two times of a time line passes
// through byte for byte, every line end as it was.
//
// The working state lives in the program-level variables: the input bytes,
// the scan positions, the three cue lists (start list, end list, tail list)
// and the output bytes, which start as the header part and end as the whole
// re-timed text.
#pragma once

#include <stdint.h>

#include "engine/segment_fitting.h"

namespace engine {

// The largest subtitle the scan takes: positions are signed 32-bit and one
// past the end must still be a position.
constexpr int32_t kMaxSubtitleBytes = 0x7FFFFFF0;

// Empties the three cue lists, releasing every tail.
void emptyCueLists();

// Scans the input bytes (program-level variable) into the header part, stored
// as the output bytes, and one entry per time line appended to the (empty) cue
// lists: the time read from the whole line in front of the "-->", the time
// read from the rest of the line behind it, and the tail from the time line's
// line end up to the next time line (or the end). False, with nothing
// scanned, for an input longer than kMaxSubtitleBytes.
bool scanCues();

// Appends every cue to the output bytes, in list order: its start and end
// time mapped with the segment of its start time, written as time texts
// around " --> ", then its tail. Reads the mapping that fitSegments or
// useCustomMapping stored. False, with the output left as the header part,
// when the result would be longer than kMaxSubtitleBytes.
bool rebuildSubtitle(FitMode mode);

}  // namespace engine
