// The program image, placed by the linker at the very first byte of the
// executable's writable .data section (see embedded_image.S.in).
#pragma once

#include <stdint.h>

extern "C" uint8_t tessaly_image[];
