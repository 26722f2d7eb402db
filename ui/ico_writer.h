// Writes an icon file holding one 32-bit image with its alpha channel and a
// 1-bit mask that marks the fully transparent pixels.
#pragma once

#include <stdint.h>

#include <span>
#include <vector>

namespace ui {

// `argb` holds width x height pixels, row 0 at the top. Width and height are
// 1 to 256; anything else gives an empty result.
std::vector<uint8_t> encodeIco32(std::span<const uint32_t> argb, uint32_t width, uint32_t height);

}  // namespace ui
