// The window icon as both window layers read it: the ICO file the window
// record stores, its images found and checked against the bytes, and a
// bitmap image decoded into pixels. Each layer turns the result into its
// platform's icon (a PNG image it hands to its platform's decoder).
#pragma once

#include <stdint.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexrun {

// One image of an icon file: its width as the directory gives it (1 to
// 256), and its bytes, which lie inside the file.
struct IconImage {
    uint32_t width;
    std::span<const uint8_t> bytes;
    bool png;  // a whole PNG file rather than a bitmap
};

// The images of the file, in directory order; none and a message in `error`
// when the bytes are not an ICO file or an image lies outside them.
std::vector<IconImage> iconImages(std::span<const uint8_t> file, std::string& error);

// The image whose width is nearest `pixels` (the first of equals), or
// nullptr for none.
const IconImage* nearestIconImage(std::span<const IconImage> images, int pixels);

// A bitmap image's pixels as ARGB words, top row first: 32-bit images with
// their alpha channel, 24-bit images (and 32-bit ones whose alpha is all
// zero) opaque where the 1-bit mask does not mark them transparent.
struct IconPixels {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> argb;
};
std::optional<IconPixels> decodeIconBitmap(std::span<const uint8_t> image, std::string& error);

}  // namespace vexrun
