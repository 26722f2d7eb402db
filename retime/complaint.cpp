// The one-line complaints of tessaly-retime.
#include "retime/complaint.h"

#include <cstdio>

#include "engine/subtitle_rewrite.h"
#include "retime/messages.h"
#include "retime/run_report.h"

namespace retime {

void complain(const std::string& what) {
    std::fprintf(stderr, "tessaly-retime: %s\n", shown(what).c_str());
    runReport().errors.push_back(what);
}

std::string tooLargeComplaint() {
    return say("the re-timed text would be larger than %s bytes; nothing written",
               {std::to_string(engine::kMaxSubtitleBytes)});
}

}  // namespace retime
