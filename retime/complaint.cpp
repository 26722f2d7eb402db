// The one-line complaints of tessaly-retime.
#include "retime/complaint.h"

#include <cstdio>

#include "engine/subtitle_rewrite.h"
#include "retime/run_report.h"

namespace retime {

void complain(const std::string& what) {
    std::fprintf(stderr, "tessaly-retime: %s\n", what.c_str());
    runReport().errors.push_back(what);
}

std::string tooLargeComplaint() {
    return "the re-timed text would be larger than " + std::to_string(engine::kMaxSubtitleBytes) +
           " bytes; nothing written";
}

}  // namespace retime
