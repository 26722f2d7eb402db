// The layout of an icon file (the window record's window icon): the
// directory header, one directory entry per image, and the bitmap
// information header in front of a bitmap image's pixels (an image may also
// be a whole PNG file). All fields little-endian, no padding. The icon
// writer of ui/ and the window layers' icon reader use this one description.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace image::ico {

struct __attribute__((packed)) DirectoryHeader {
    uint16_t reserved;  // 0
    uint16_t type;      // 1: icon
    uint16_t count;     // number of images
};

struct __attribute__((packed)) DirectoryEntry {
    uint8_t width;       // pixels; 0 stands for 256
    uint8_t height;
    uint8_t colourCount; // 0: no palette
    uint8_t reserved;
    uint16_t planes;
    uint16_t bitsPerPixel;
    uint32_t imageSize;    // bytes of the image: header, pixels and mask
    uint32_t imageOffset;  // from the start of the file
};

struct __attribute__((packed)) BitmapInfoHeader {
    uint32_t headerSize;   // 40
    int32_t width;
    int32_t height;        // twice the icon height: colour half and mask half
    uint16_t planes;       // 1
    uint16_t bitsPerPixel; // 32
    uint32_t compression;  // 0: none
    uint32_t imageSize;    // pixels and mask
    int32_t xPixelsPerMetre;
    int32_t yPixelsPerMetre;
    uint32_t coloursUsed;
    uint32_t coloursImportant;
};

static_assert(sizeof(DirectoryHeader) == 6);
static_assert(offsetof(DirectoryHeader, type) == 2);
static_assert(offsetof(DirectoryHeader, count) == 4);
static_assert(sizeof(DirectoryEntry) == 16);
static_assert(offsetof(DirectoryEntry, imageSize) == 8);
static_assert(offsetof(DirectoryEntry, imageOffset) == 12);
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, width) == 4);
static_assert(offsetof(BitmapInfoHeader, height) == 8);
static_assert(offsetof(BitmapInfoHeader, bitsPerPixel) == 14);
static_assert(offsetof(BitmapInfoHeader, compression) == 16);
static_assert(offsetof(BitmapInfoHeader, imageSize) == 20);

constexpr uint16_t kTypeIcon = 1;
constexpr uint32_t kNoCompression = 0;
// The width or height byte of a directory entry that stands for 256 pixels.
constexpr uint32_t kSizeByte256 = 0;

// An image that starts with these bytes is a PNG file, not a bitmap.
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Bytes of one row of colour pixels: rows padded to 4 bytes.
constexpr uint32_t colourRowBytes(uint32_t width, uint32_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// Bytes of one row of the 1-bit mask: a bit per pixel, rows padded to 4 bytes.
constexpr uint32_t maskRowBytes(uint32_t width) { return (width + 31) / 32 * 4; }

// Bytes of the pixels and the mask of a 32-bit image.
constexpr uint32_t bitmapDataSize(uint32_t width, uint32_t height) {
    return width * height * 4 + maskRowBytes(width) * height;
}

// Where the one image of a file with one image starts.
constexpr uint32_t kImageOffset = sizeof(DirectoryHeader) + sizeof(DirectoryEntry);

static_assert(colourRowBytes(1, 24) == 4 && colourRowBytes(48, 32) == 192);
static_assert(maskRowBytes(48) == 8);

}  // namespace image::ico
