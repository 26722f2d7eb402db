// Reading a whole subtitle into a buffer and writing a result only once it is
// complete.
#pragma once

#include <stdint.h>

#include <string>

#include "retime/byte_buffer.h"

namespace retime {

// Which file an input was read from: OUTPUT may replace that one even when it
// is write-protected (a file re-timed in place).
struct FileIdentity {
    bool known = false;  // false for a stream
    uint64_t device = 0;
    uint64_t inode = 0;
};

// Reads the whole file at `path` ("" or "-": standard input) into `bytes`,
// and which file it was into `identity` when given.
// An input longer than `maxBytes` is refused as soon as it passes that (an
// endless one included). False with a message naming the file in `error`.
bool readWholeInput(const std::string& path, uint64_t maxBytes, ByteBuffer& bytes, std::string& error,
                    FileIdentity* identity = nullptr);

// Writes `count` bytes to `path` ("" or "-": standard output).
//  - /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N: that open
//    descriptor, as the caller set it up (appending included).
//  - A regular file (or none yet): written beside its final place under a
//    temporary name and renamed over it only when every byte is written, so a
//    failure never leaves a half-written file. The file replaced keeps its
//    permission bits, and its owner when run as root.
//  - A symbolic link stays: the file it names (in the end) gets the text.
//  - Anything else that exists (a device, a FIFO, a terminal) is opened and
//    written directly; replacing it by a file would break it for everyone.
//  - An existing output that we may not write - no write bit set at all
//    (for every user, root included), or none that lets us write - is
//    refused, unless it is the file `input` names (re-timed in place).
//  - SIGINT, SIGTERM, SIGHUP or SIGQUIT while the temporary file exists
//    remove it before the process ends by that signal.
// False with a message naming the output in `error`; a failed write to a
// device is a failure too.
bool writeWholeOutput(const std::string& path, const uint8_t* data, uint64_t count, std::string& error,
                      const FileIdentity& input = FileIdentity{});

}  // namespace retime
