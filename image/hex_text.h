// Hexadecimal forms of numbers for messages and listings ("0x1CF").
#pragma once

#include <stdint.h>

#include <cstdio>
#include <string>

namespace image {

inline std::string hexText(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
    return buffer;
}

// A fixed-width form: hexText8(0x5201) is "0x00005201".
inline std::string hexText8(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

}  // namespace image
