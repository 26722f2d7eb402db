// Writes 24-bit RGB pictures as PNG files (stored, uncompressed deflate
// blocks): the window's picture for VEXRUN_SCREENSHOT, without any library.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace vexrun::win32 {

// `rgb` holds height rows of width pixels, 3 bytes each, top row first.
bool writePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace vexrun::win32
