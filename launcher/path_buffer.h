// Bounded text operations on the launcher's one path buffer.
#pragma once

#include <stddef.h>

namespace launcher {

// Appends `text` to the zero-ended text in `buffer` (of `size` bytes). Leaves
// the buffer unchanged and returns false when the result would not fit.
bool appendText(char* buffer, size_t size, const char* text);

// Appends '/' unless the text already ends in one.
bool endWithSeparator(char* buffer, size_t size);

}  // namespace launcher
