// Reading and writing whole files for the image tools, with one message naming
// the file on failure.
#pragma once

#include <stdint.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path, std::string& error);

// Writes through a temporary file beside `path`, so that a failed write never
// leaves a partial file under the final name.
bool writeFileBytes(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace image
