// The `window:` line said again in the window's own words: which mode to
// tick, which segment ratio boxes, what to type into which box, named by the
// captions the window shows.
#pragma once

#include <string>

#include "retime/reference_retime.h"

namespace retime {

std::string windowWords(const WindowOptions& window);

}  // namespace retime
