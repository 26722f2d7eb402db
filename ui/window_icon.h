// The program's icon: a 48 x 48 picture of a film frame with a clock face and
// two subtitle lines, drawn from shapes. The window record and the program
// file carry it as an icon file; the desktop entry uses it as a PNG.
#pragma once

#include <stdint.h>

#include <vector>

namespace ui {

constexpr uint32_t kIconSize = 48;

// 48 x 48 pixels, 0xAARRGGBB, row 0 at the top.
std::vector<uint32_t> windowIconPixels();

// The icon as an icon file with one 32-bit image.
std::vector<uint8_t> windowIconIco();

// The icon as a PNG file.
std::vector<uint8_t> windowIconPng();

}  // namespace ui
