// The signals that end the tool at a user's or the system's request (POSIX):
// writing OUTPUT removes its temporary file on them, reading a film stops.
#pragma once

#include <signal.h>

namespace retime {

inline constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace retime
