// While a film is read, the user's or the system's request to end the tool
// (POSIX: an ending signal; Windows: the console's Ctrl+C, Ctrl+Break or
// closing) stops the reading instead; the tool then ends as the request
// would have ended it. Nothing is written while a film is read.
#pragma once

#include <atomic>

namespace retime {

class StopOnEndingRequest {
public:
    // Sets `stop` on a request while it lives (a request ignored before
    // stays ignored).
    explicit StopOnEndingRequest(std::atomic<bool>& stop);
    ~StopOnEndingRequest();
    StopOnEndingRequest(const StopOnEndingRequest&) = delete;
    StopOnEndingRequest& operator=(const StopOnEndingRequest&) = delete;
};

// Whether a request came while a StopOnEndingRequest lived.
bool endingRequested();
// Ends the tool as that request would have ended it without the handler.
[[noreturn]] void endAsRequested();

}  // namespace retime
