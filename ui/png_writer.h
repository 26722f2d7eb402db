// Writes a PNG file of 8-bit RGBA pixels. The image data is a zlib stream of
// stored (uncompressed) blocks: small icons need no compression, and the
// writer stays short and easy to check.
#pragma once

#include <stdint.h>

#include <span>
#include <vector>

namespace ui {

// `argb` holds width x height pixels, row 0 at the top. Zero width or
// height, or a pixel count that does not match, gives an empty result.
std::vector<uint8_t> encodePng(std::span<const uint32_t> argb, uint32_t width, uint32_t height);

}  // namespace ui
