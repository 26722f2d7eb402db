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

}  // namespace retime
