// The directory of the running executable, as the kernel library search sees
// it: read from /proc/self/exe with the 128-character limit.
#pragma once

#include <stddef.h>

namespace launcher {

// Given the executable's path as read (`length` characters, possibly cut by
// the read limit), writes NUL just behind the last '/' found from index
// length - 6 towards the start. Returns false, leaving the text empty, when
// there is none (or nothing was read).
bool cutToDirectory(char* path, long length);

// Fills `buffer` (at least kPathBufferSize bytes) with the executable's
// directory including its trailing '/'. Returns false, with an empty text,
// when the directory cannot be told.
bool moduleDirectory(char* buffer);

}  // namespace launcher
