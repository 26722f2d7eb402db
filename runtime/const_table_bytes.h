// The bytes of the "const" section's fixed table (offsets in const_table.h),
// for the image builder and the hosted builds of the program code.
#pragma once

#include <stdint.h>

#include <vector>

namespace image {

// All kConstTableSize bytes, texts in GBK.
std::vector<uint8_t> constTableBytes();

}  // namespace image
