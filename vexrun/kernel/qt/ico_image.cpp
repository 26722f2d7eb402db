#include "vexrun/kernel/qt/ico_image.h"

#include <cstring>

#include "vexrun/kernel/icon_file.h"

namespace vexrun {

QImage decodeIco(std::span<const uint8_t> bytes, std::string& error) {
    const std::vector<IconImage> images = iconImages(bytes, error);
    QImage best;
    for (const IconImage& image : images) {
        QImage decoded;
        if (image.png) {
            decoded = QImage::fromData(image.bytes.data(), int(image.bytes.size()), "PNG");
            if (decoded.isNull()) error = "a PNG image of the window icon cannot be read";
        } else if (std::optional<IconPixels> pixels = decodeIconBitmap(image.bytes, error)) {
            decoded = QImage(pixels->width, pixels->height, QImage::Format_ARGB32);
            for (int32_t y = 0; y < pixels->height; ++y) {
                std::memcpy(decoded.scanLine(y), pixels->argb.data() + size_t(y) * size_t(pixels->width),
                            size_t(pixels->width) * sizeof(uint32_t));
            }
        }
        if (decoded.isNull()) return {};
        if (best.isNull() || decoded.width() * decoded.height() > best.width() * best.height()) best = decoded;
    }
    return best;
}

}  // namespace vexrun
