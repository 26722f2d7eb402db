// The window icon: an ICO file as the window record stores it, decoded into
// an image. Every offset and size is checked against the bytes.
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
