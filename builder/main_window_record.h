// The window record of this program: the main window of ui/'s layout data,
// with its icon, caption and usage text.
#pragma once

#include <optional>
#include <string>

#include "builder/layout_record.h"

namespace image {

std::optional<WindowRecord> mainWindowRecord(const HandlerLookup& handlers, std::string& error);

}  // namespace image
