// The test objects compiled at build time, and images built from them.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "builder/image_builder.h"

namespace image::test {

std::vector<uint8_t> testObject(const std::string& name);

// Builds an image from a test object with a one-button window whose handlers
// are `windowHandler` (window event 0) and `buttonHandler` (button event 0).
std::optional<BuiltImage> buildTestImage(const std::vector<uint8_t>& object, std::string& error,
                                         const char* windowHandler = "vxEntryRoutine",
                                         const char* buttonHandler = "vxEntryRoutine");

}  // namespace image::test
