// The layout of an icon file holding one 32-bit image: the directory header,
// one directory entry, and the bitmap information header in front of the
// pixels. All fields little-endian, no padding.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace ui::ico {

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
static_assert(sizeof(DirectoryEntry) == 16);
static_assert(offsetof(DirectoryEntry, imageSize) == 8);
static_assert(offsetof(DirectoryEntry, imageOffset) == 12);
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, compression) == 16);
static_assert(offsetof(BitmapInfoHeader, imageSize) == 20);

constexpr uint16_t kTypeIcon = 1;
constexpr uint32_t kNoCompression = 0;

// Bytes of one row of the 1-bit mask: a bit per pixel, rows padded to 4 bytes.
constexpr uint32_t maskRowBytes(uint32_t width) { return (width + 31) / 32 * 4; }

// Bytes of the pixels and the mask of a 32-bit image.
constexpr uint32_t bitmapDataSize(uint32_t width, uint32_t height) {
    return width * height * 4 + maskRowBytes(width) * height;
}

constexpr uint32_t kImageOffset = sizeof(DirectoryHeader) + sizeof(DirectoryEntry);

}  // namespace ui::ico
