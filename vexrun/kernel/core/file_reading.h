// Kernel command "read a file": a whole file as one byte set.
#pragma once

#include <stdint.h>

#include <string_view>

namespace vexrun {

// The most bytes a file read gives: the program addresses a byte set with
// signed 32-bit positions, one past the end included.
constexpr uint64_t kMaxFileBytes = 0x7FFFFFF0;

// The file at `path` as a fresh byte set. A text that starts with a UTF-16
// byte-order mark comes as UTF-8 (the program's texts are 8-bit), without the
// mark; every other file comes byte for byte. A file that cannot be read (a
// folder, missing, unreadable, or more than `maxBytes`, an endless input
// refused as soon as it passes that) gives the empty byte set.
// Temporary strings may throw std::bad_alloc; the command call reports it.
void* readFileAsByteSet(std::string_view path, uint64_t maxBytes = kMaxFileBytes);

}  // namespace vexrun
