// Segment fitting: the linear mappings new = old x ratio + shift that re-time a
// subtitle, fitted between neighbouring reference rows (0 to 4), the choice of
// segment for a cue, the mapping of a time and the result line of a segment.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

namespace engine {

enum class FitMode : int32_t {
    OneSegment,    // one segment, rows 0 -> 4
    TwoSegments,   // rows 0 -> 2 and 2 -> 4, boundary S2
    FourSegments,  // rows k-1 -> k, boundaries S1, S2, S3
    CustomRatio,   // one mapping the caller gives (useCustomMapping), no rows
};

// One segment's mapping.
struct SegmentFit {
    double ratio;      // v
    int32_t shift;     // c, milliseconds
    int32_t number;    // 1 to 4 from the start of the time axis
    int32_t upperRow;  // the reference row at which the segment ends (1 to 4)
};

// Where the reference values come from. Each function is called at the
// moment its value is needed and again at every later use, so a caller that
// reads window controls reads each box exactly when the adjust action does:
//  - validation, pair by pair from the lowest: source(upper), source(lower);
//  - each segment in ascending order: target(upper), target(lower),
//    source(upper), source(lower), useCustomRatio(upper), customRatio() only
//    when that flag is set, alignStart(), target(anchor), source(anchor);
//  - the boundary rows last: source(2) with two segments; source(1),
//    source(2), source(3) with four.
struct PointSource {
    void* context;
    int32_t (*source)(void* context, int32_t row);   // S_row
    int32_t (*target)(void* context, int32_t row);   // T_row
    bool (*useCustomRatio)(void* context, int32_t row);  // U_row, rows 1 to 4
    double (*customRatio)(void* context);            // r
    bool (*alignStart)(void* context);               // true: segment start, false: segment end
};

// The fitted segments of a mode, in ascending order, and its boundaries.
struct SegmentFits {
    int32_t count;            // 1, 2 or 4
    SegmentFit fits[4];
    int32_t boundaryCount;    // 0, 1 or 3
    int32_t boundaries[3];    // ascending source points
};

// Number of segments of a mode (CustomRatio: its one mapping).
int32_t segmentCount(FitMode mode);

// Checks the order of the source points the mode uses (each at least 1 ms
// after the one below it) and fits its segments. On success fills `fits`,
// stores every ratio, shift and boundary in the program-level variables (for
// rebuildSubtitle) and gives true. On the source-order failure nothing is
// fitted, no further value is read, and the result is false: the caller shows
// "源时间至少要比上级大1毫秒啦" (const table) and maps no cue. Not for
// CustomRatio.
bool fitSegments(FitMode mode, const PointSource& points, SegmentFits* fits);

// The one mapping of CustomRatio: ratio r and the custom shift, stored where
// rebuildSubtitle reads segment 1.
void useCustomMapping(double ratio, int32_t shift);

// The mapping of segment `number` (1 to 4) of a mode as the program-level
// variables hold it after fitSegments or useCustomMapping.
SegmentFit storedSegmentFit(FitMode mode, int32_t number);

// The segment (1 to 4) of a cue that starts at `startTime`. Only the start
// decides; a start equal to a boundary belongs to the upper segment.
int32_t segmentFor(int32_t startTime, FitMode mode, const int32_t boundaries[3]);

// t x ratio + shift, truncated toward zero; the low 32 bits.
int32_t mapTime(int32_t t, const SegmentFit& fit);
// True when mapTime gives the mapped time itself; false when the time lies
// beyond the 32-bit range and mapTime keeps only its low 32 bits (the window
// does so; the command line refuses such a mapping).
bool mapTimeHolds(int32_t t, const SegmentFit& fit);

// "缩放比率n = " ratio "   平移n = " shift, as a fresh GBK text.
prog::Text resultLine(const SegmentFit& fit);

}  // namespace engine
