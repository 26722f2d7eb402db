// The report (run_report.h) of what the ordinary modes and the reference
// mode read and wrote: the format and encoding, the segments, the bytes
// written and the warnings.
#pragma once

#include <stdint.h>

#include <vector>

#include "engine/segment_fitting.h"
#include "engine/subtitle_formats.h"
#include "retime/run_report.h"
#include "retime/subtitle_files.h"

namespace retime {

void reportReading(engine::SubtitleFormat format, const SubtitleEncoding& encoding);

// The fitted segments (or, in the custom mode, its one mapping), each from
// its lower boundary (the first from 0: it takes everything before).
void reportSegments(engine::FitMode mode, const engine::SegmentFits& fits, double customRatio, int32_t customShift);

// Adds warnings: those of the pass that wrote OUTPUT (writeSubtitle notes the
// bytes), or of the mapping.
void reportWarnings(const std::vector<ReportWarning>& warnings);

}  // namespace retime
