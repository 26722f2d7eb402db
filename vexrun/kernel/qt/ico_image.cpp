#include "vexrun/kernel/qt/ico_image.h"

#include <algorithm>

namespace vexrun {
namespace {

constexpr size_t kDirectoryHeader = 6;
constexpr size_t kDirectoryEntry = 16;
constexpr size_t kBitmapHeader = 40;

uint32_t u16(std::span<const uint8_t> b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }
uint32_t u32(std::span<const uint8_t> b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

// A bitmap image of an icon: the header, the colour rows bottom-up, then the
// 1-bit mask rows.
QImage decodeBitmap(std::span<const uint8_t> img, std::string& error) {
    if (img.size() < kBitmapHeader || u32(img, 0) < kBitmapHeader) {
        error = "icon image header is cut short";
        return {};
    }
    const int32_t width = int32_t(u32(img, 4));
    const int32_t doubleHeight = int32_t(u32(img, 8));
    const uint32_t bits = u16(img, 14);
    const uint32_t compression = u32(img, 16);
    if (width <= 0 || width > 1024 || doubleHeight <= 0 || doubleHeight > 2048 || doubleHeight % 2 != 0) {
        error = "icon image has an unusable size";
        return {};
    }
    if ((bits != 32 && bits != 24) || compression != 0) {
        error = "icon image is not an uncompressed 24- or 32-bit bitmap";
        return {};
    }
    const int32_t height = doubleHeight / 2;
    const size_t rowBytes = ((size_t(width) * bits + 31) / 32) * 4;
    const size_t maskRowBytes = ((size_t(width) + 31) / 32) * 4;
    const size_t pixelsAt = u32(img, 0);
    const size_t need = pixelsAt + rowBytes * size_t(height);
    if (need > img.size()) {
        error = "icon image pixels run past its end";
        return {};
    }
    const bool haveMask = need + maskRowBytes * size_t(height) <= img.size();
    QImage out(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = img.data() + pixelsAt + rowBytes * size_t(height - 1 - y);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * (bits / 8);
            const int alpha = bits == 32 ? p[3] : 255;
            anyAlpha = anyAlpha || (bits == 32 && alpha != 0);
            line[x] = qRgba(p[2], p[1], p[0], alpha);
        }
    }
    // Without an alpha channel of its own, the mask says what is transparent.
    if (!anyAlpha && haveMask) {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* mrow = img.data() + need + maskRowBytes * size_t(height - 1 - y);
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int32_t x = 0; x < width; ++x) {
                const bool transparent = mrow[x / 8] & (0x80 >> (x % 8));
                line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xFF000000u);
            }
        }
    } else if (!anyAlpha) {
        for (int32_t y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int32_t x = 0; x < width; ++x) line[x] |= 0xFF000000u;
        }
    }
    return out;
}

}  // namespace

QImage decodeIco(std::span<const uint8_t> bytes, std::string& error) {
    if (bytes.size() < kDirectoryHeader || u16(bytes, 0) != 0 || u16(bytes, 2) != 1) {
        error = "the window icon is not an ICO file";
        return {};
    }
    const uint32_t count = u16(bytes, 4);
    if (count == 0 || kDirectoryHeader + kDirectoryEntry * count > bytes.size()) {
        error = "the window icon's directory runs past its end";
        return {};
    }
    QImage best;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kDirectoryHeader + kDirectoryEntry * i;
        const uint32_t size = u32(bytes, entry + 8);
        const uint32_t offset = u32(bytes, entry + 12);
        if (offset > bytes.size() || size > bytes.size() - offset || size < 8) {
            error = "image " + std::to_string(i) + " of the window icon lies outside the file";
            return {};
        }
        auto img = bytes.subspan(offset, size);
        QImage decoded;
        static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        if (std::equal(kPng, kPng + 8, img.begin())) {
            decoded = QImage::fromData(img.data(), int(img.size()), "PNG");
            if (decoded.isNull()) error = "a PNG image of the window icon cannot be read";
        } else {
            decoded = decodeBitmap(img, error);
        }
        if (decoded.isNull()) return {};
        if (best.isNull() || decoded.width() * decoded.height() > best.width() * best.height()) best = decoded;
    }
    return best;
}

}  // namespace vexrun
