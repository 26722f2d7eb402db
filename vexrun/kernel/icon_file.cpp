#include "vexrun/kernel/icon_file.h"

#include <algorithm>
#include <cstdlib>

#include "image/ico_format.h"
#include "image/little_endian.h"

namespace vexrun {
namespace {

namespace ico = image::ico;
using image::loadU16;
using image::loadU32;

// Sizes past these are no window icon.
constexpr int32_t kLargestWidth = 1024;
constexpr int32_t kLargestDoubleHeight = 2048;

}  // namespace

std::vector<IconImage> iconImages(std::span<const uint8_t> file, std::string& error) {
    const uint8_t* at = file.data();
    if (file.size() < sizeof(ico::DirectoryHeader) || loadU16(at + offsetof(ico::DirectoryHeader, reserved)) != 0 ||
        loadU16(at + offsetof(ico::DirectoryHeader, type)) != ico::kTypeIcon) {
        error = "the window icon is not an ICO file";
        return {};
    }
    const uint32_t count = loadU16(at + offsetof(ico::DirectoryHeader, count));
    if (count == 0 || sizeof(ico::DirectoryHeader) + sizeof(ico::DirectoryEntry) * count > file.size()) {
        error = "the window icon's directory runs past its end";
        return {};
    }
    std::vector<IconImage> images;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = at + sizeof(ico::DirectoryHeader) + sizeof(ico::DirectoryEntry) * i;
        const uint32_t size = loadU32(entry + offsetof(ico::DirectoryEntry, imageSize));
        const uint32_t offset = loadU32(entry + offsetof(ico::DirectoryEntry, imageOffset));
        if (offset > file.size() || size > file.size() - offset || size < sizeof ico::kPngSignature) {
            error = "image " + std::to_string(i) + " of the window icon lies outside the file";
            return {};
        }
        const uint8_t widthByte = entry[offsetof(ico::DirectoryEntry, width)];
        const std::span<const uint8_t> bytes = file.subspan(offset, size);
        images.push_back(IconImage{widthByte == ico::kSizeByte256 ? 256u : widthByte, bytes,
                                   std::equal(std::begin(ico::kPngSignature), std::end(ico::kPngSignature),
                                              bytes.begin())});
    }
    return images;
}

const IconImage* nearestIconImage(std::span<const IconImage> images, int pixels) {
    const IconImage* best = nullptr;
    for (const IconImage& image : images) {
        if (!best || std::abs(int(image.width) - pixels) < std::abs(int(best->width) - pixels)) best = &image;
    }
    return best;
}

std::optional<IconPixels> decodeIconBitmap(std::span<const uint8_t> img, std::string& error) {
    const uint8_t* at = img.data();
    if (img.size() < sizeof(ico::BitmapInfoHeader) || loadU32(at) < sizeof(ico::BitmapInfoHeader)) {
        error = "icon image header is cut short";
        return std::nullopt;
    }
    const uint32_t pixelsAt = loadU32(at + offsetof(ico::BitmapInfoHeader, headerSize));
    const int32_t width = int32_t(loadU32(at + offsetof(ico::BitmapInfoHeader, width)));
    const int32_t doubleHeight = int32_t(loadU32(at + offsetof(ico::BitmapInfoHeader, height)));
    const uint32_t bits = loadU16(at + offsetof(ico::BitmapInfoHeader, bitsPerPixel));
    const uint32_t compression = loadU32(at + offsetof(ico::BitmapInfoHeader, compression));
    if (width <= 0 || width > kLargestWidth || doubleHeight <= 0 || doubleHeight > kLargestDoubleHeight ||
        doubleHeight % 2 != 0) {
        error = "icon image has an unusable size";
        return std::nullopt;
    }
    if ((bits != 32 && bits != 24) || compression != ico::kNoCompression) {
        error = "icon image is not an uncompressed 24- or 32-bit bitmap";
        return std::nullopt;
    }
    const int32_t height = doubleHeight / 2;
    const size_t rowBytes = ico::colourRowBytes(uint32_t(width), bits);
    const size_t maskRowBytes = ico::maskRowBytes(uint32_t(width));
    const size_t need = size_t(pixelsAt) + rowBytes * size_t(height);
    if (need > img.size()) {
        error = "icon image pixels run past its end";
        return std::nullopt;
    }
    const bool haveMask = need + maskRowBytes * size_t(height) <= img.size();
    IconPixels out{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    bool anyAlpha = false;
    // Colour rows and mask rows are stored bottom-up, BGR(A).
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = at + pixelsAt + rowBytes * size_t(height - 1 - y);
        uint32_t* line = out.argb.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * (bits / 8);
            const uint32_t alpha = bits == 32 ? p[3] : 255;
            anyAlpha = anyAlpha || (bits == 32 && alpha != 0);
            line[x] = alpha << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
    // Without an alpha channel of its own, the mask says what is transparent.
    for (int32_t y = 0; !anyAlpha && y < height; ++y) {
        const uint8_t* mask = haveMask ? at + need + maskRowBytes * size_t(height - 1 - y) : nullptr;
        uint32_t* line = out.argb.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            const bool transparent = mask && (mask[x / 8] & (0x80 >> (x % 8)));
            line[x] = transparent ? 0u : (line[x] | 0xFF000000u);
        }
    }
    return out;
}

}  // namespace vexrun
