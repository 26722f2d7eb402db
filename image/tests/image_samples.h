// Images for the reader and layout tests, made with the image writer.
#pragma once

#include <stdint.h>

#include <vector>

#include "image/image_writer.h"

namespace image::test {

// Code offsets in the small image's code.
constexpr uint32_t kSmallEntry = 48;
constexpr uint32_t kSmallCodeSize = 64;

// Six libraries, the const table, a 16-byte form, the help bytes, 64 bytes of
// code with one relocation of each kind and one place per identifier group.
ImageContents smallImageContents();
std::vector<uint8_t> smallImage();

// The library table of the program's six libraries with display names of
// ASCII letters, as long as it takes for the table to take exactly `size`
// bytes.
std::vector<uint8_t> libraryTableOfSize(uint32_t size);

}  // namespace image::test
