// Reading a whole subtitle into a byte set and writing a result only once it
// is complete.
#pragma once

#include <stdint.h>

#include <string>

#include "engine/retime/byte_buffer.h"

namespace retime {

// Reads the whole file at `path` ("" or "-": standard input) into `bytes`.
// An input longer than `maxBytes` is refused as soon as it passes that (an
// endless one included). False with a message naming the file in `error`.
bool readWholeInput(const std::string& path, uint64_t maxBytes, ByteBuffer& bytes, std::string& error);

// Writes `count` bytes to `path` ("" or "-": standard output). A file is
// written beside its final place under a temporary name and renamed over it
// only when every byte is written, so a failure never leaves a half-written
// file; an existing file keeps its permissions, and a symbolic link its link.
bool writeWholeOutput(const std::string& path, const uint8_t* data, uint64_t count, std::string& error);

}  // namespace retime
