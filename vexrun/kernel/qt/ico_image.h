// The window icon: an ICO file as the window record stores it, read by the
// shared icon reader (vexrun/kernel/icon_file.h) into a Qt image.
#pragma once

#include <stdint.h>

#include <span>
#include <string>

#include <QImage>

namespace vexrun {

// The largest image of the file; a null image and a message in `error` when
// the bytes are not an ICO file this can read (32-bit, 24-bit or PNG images).
QImage decodeIco(std::span<const uint8_t> bytes, std::string& error);

}  // namespace vexrun
