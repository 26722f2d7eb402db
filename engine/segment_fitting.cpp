// Segment fitting: validating the source points, fitting each segment's ratio
// and shift, choosing a cue's segment, mapping a time, the result line.
#include "engine/segment_fitting.h"

#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"

namespace engine {
namespace {

// Segment k (1-based) of a mode with `count` segments runs from row
// (k - 1) x 4 / count to row k x 4 / count: 0 -> 4; 0 -> 2, 2 -> 4; k-1 -> k.
int32_t lowerRow(int32_t k, int32_t count) { return (k - 1) * (4 / count); }
int32_t upperRow(int32_t k, int32_t count) { return k * (4 / count); }

// The source-order rule for one pair: the upper point at least 1 ms after the
// lower one, tested as d - 1 < -1e-07 in doubles.
bool pairInOrder(const PointSource& points, int32_t lower, int32_t upper) {
    const double sUpper = points.source(points.context, upper);
    const double sLower = points.source(points.context, lower);
    const double d = sUpper - sLower;
    return !(d - prog::constDouble(image::kConstOne) < prog::constDouble(image::kConstOrderTolerance));
}

SegmentFit fitOneSegment(const PointSource& points, int32_t number, int32_t lower, int32_t upper) {
    void* const ctx = points.context;
    const double tUpper = points.target(ctx, upper);
    const double tLower = points.target(ctx, lower);
    const double sUpper = points.source(ctx, upper);
    const double sLower = points.source(ctx, lower);
    double ratio = (tUpper - tLower) / (sUpper - sLower);
    if (points.useCustomRatio(ctx, upper)) ratio = points.customRatio(ctx);

    // The shift comes from the segment's own anchor row, whichever ratio won.
    const int32_t anchor = points.alignStart(ctx) ? lower : upper;
    const double tAnchor = points.target(ctx, anchor);
    const double sAnchor = points.source(ctx, anchor);
    const double p = sAnchor * ratio;
    const double q = tAnchor - p;
    const auto shift = static_cast<int32_t>(prog::truncToInt(prog::roundTo(q, 0)));
    return SegmentFit{ratio, shift, number, upper};
}

// The program-level variables of segment n's ratio and shift.
void storeSegmentFit(const SegmentFit& fit) {
    prog::ProgramVariables* v = prog::vars();
    switch (fit.number) {
        case 1: v->ratio1 = fit.ratio; v->shift1 = fit.shift; break;
        case 2: v->ratio2 = fit.ratio; v->shift2 = fit.shift; break;
        case 3: v->ratio3 = fit.ratio; v->shift3 = fit.shift; break;
        default: v->ratio4 = fit.ratio; v->shift4 = fit.shift; break;
    }
}

}  // namespace

int32_t segmentCount(FitMode mode) {
    return mode == FitMode::TwoSegments ? 2 : mode == FitMode::FourSegments ? 4 : 1;
}

bool fitSegments(FitMode mode, const PointSource& points, SegmentFits* fits) {
    const int32_t count = segmentCount(mode);

    // Validation, the lowest pair first; the first failing pair ends it.
    for (int32_t k = 1; k <= count; ++k) {
        if (!pairInOrder(points, lowerRow(k, count), upperRow(k, count))) return false;
    }

    fits->count = count;
    for (int32_t k = 1; k <= count; ++k) {
        fits->fits[k - 1] = fitOneSegment(points, k, lowerRow(k, count), upperRow(k, count));
        storeSegmentFit(fits->fits[k - 1]);
    }

    // Boundaries: the source points of the rows between the segments.
    prog::ProgramVariables* v = prog::vars();
    fits->boundaryCount = count - 1;
    for (int32_t k = 1; k < count; ++k) {
        fits->boundaries[k - 1] = points.source(points.context, upperRow(k, count));
    }
    if (count > 1) v->boundary1 = fits->boundaries[0];
    if (count > 2) {
        v->boundary2 = fits->boundaries[1];
        v->boundary3 = fits->boundaries[2];
    }
    return true;
}

void useCustomMapping(double ratio, int32_t shift) {
    storeSegmentFit(SegmentFit{ratio, shift, 1, 0});
}

SegmentFit storedSegmentFit(FitMode mode, int32_t number) {
    const prog::ProgramVariables* v = prog::vars();
    const int32_t upper = mode == FitMode::CustomRatio ? 0 : upperRow(number, segmentCount(mode));
    switch (number) {
        case 1: return SegmentFit{v->ratio1, v->shift1, 1, upper};
        case 2: return SegmentFit{v->ratio2, v->shift2, 2, upper};
        case 3: return SegmentFit{v->ratio3, v->shift3, 3, upper};
        default: return SegmentFit{v->ratio4, v->shift4, 4, upper};
    }
}

int32_t segmentFor(int32_t startTime, FitMode mode, const int32_t boundaries[3]) {
    const int32_t count = segmentCount(mode);
    int32_t segment = 1;
    while (segment < count && startTime >= boundaries[segment - 1]) ++segment;
    return segment;
}

int32_t mapTime(int32_t t, const SegmentFit& fit) {
    const double x = static_cast<double>(t) * fit.ratio;
    const double y = x + static_cast<double>(fit.shift);
    return static_cast<int32_t>(prog::truncToInt(y));
}

bool mapTimeHolds(int32_t t, const SegmentFit& fit) {
    // The same double as mapTime; toward zero it lands in the 32-bit range
    // exactly when it lies strictly between these two (a NaN lies nowhere).
    const double x = static_cast<double>(t) * fit.ratio;
    const double y = x + static_cast<double>(fit.shift);
    return y > -2147483649.0 && y < 2147483648.0;
}

prog::Text resultLine(const SegmentFit& fit) {
    prog::Text ratio = prog::toText(fit.ratio);
    prog::Text shift = prog::toText(fit.shift);
    prog::Text line = prog::concatText(prog::constText(image::ratioLabelOffset(fit.number)), ratio,
                                       prog::constText(image::shiftLabelOffset(fit.number)), shift);
    vxFree(ratio);
    vxFree(shift);
    return line;
}

}  // namespace engine
