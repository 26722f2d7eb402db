#include "ui/ico_writer.h"

#include <bit>
#include <cstring>

#include "image/ico_format.h"

namespace ui {

namespace ico = image::ico;

static_assert(std::endian::native == std::endian::little,
              "the icon headers are copied as they lie in memory");

namespace {

template <class T>
void append(std::vector<uint8_t>& out, const T& value) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

}  // namespace

std::vector<uint8_t> encodeIco32(std::span<const uint32_t> argb, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || width > 256 || height > 256 ||
        argb.size() != size_t{width} * height) {
        return {};
    }
    const uint32_t dataSize = ico::bitmapDataSize(width, height);

    std::vector<uint8_t> out;
    out.reserve(ico::kImageOffset + sizeof(ico::BitmapInfoHeader) + dataSize);

    append(out, ico::DirectoryHeader{0, ico::kTypeIcon, 1});
    append(out, ico::DirectoryEntry{
                    static_cast<uint8_t>(width & 0xFF), static_cast<uint8_t>(height & 0xFF), 0, 0, 1,
                    32, static_cast<uint32_t>(sizeof(ico::BitmapInfoHeader)) + dataSize,
                    ico::kImageOffset});
    append(out, ico::BitmapInfoHeader{sizeof(ico::BitmapInfoHeader), static_cast<int32_t>(width),
                                      static_cast<int32_t>(2 * height), 1, 32, ico::kNoCompression,
                                      dataSize, 0, 0, 0, 0});

    // Colour half: BGRA, the bottom row first. An ARGB word stored
    // little-endian is exactly B, G, R, A.
    for (uint32_t row = height; row-- > 0;) {
        for (uint32_t x = 0; x < width; ++x) append(out, argb[size_t{row} * width + x]);
    }

    // Mask half: a set bit marks a pixel that shows nothing, most significant
    // bit first, the bottom row first.
    const uint32_t rowBytes = ico::maskRowBytes(width);
    for (uint32_t row = height; row-- > 0;) {
        const size_t at = out.size();
        out.resize(at + rowBytes, 0);
        for (uint32_t x = 0; x < width; ++x) {
            if ((argb[size_t{row} * width + x] >> 24) == 0) {
                out[at + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
            }
        }
    }
    return out;
}

}  // namespace ui
