// Where tessaly-retime reads and decodes its input and encodes and writes its
// output. The engine works on 8-bit text: a UTF-16 subtitle (known by its
// byte-order mark) is re-timed as UTF-8 and written back as the UTF-16 of its
// own byte order, mark included; every other input is taken byte for byte.
#pragma once

#include <stdint.h>

#include <string>

#include "retime/byte_buffer.h"
#include "retime/whole_file.h"
#include "vexrun/kernel/core/utf16_text.h"

namespace retime {

// How the input was stored, for writing the output the same way.
struct SubtitleEncoding {
    vexrun::Utf16Order utf16 = vexrun::Utf16Order::None;  // None: bytes as they are
    std::string oddByte;  // a UTF-16 input's odd last byte, put back behind the output
    FileIdentity source;  // the file read: OUTPUT may replace it even when write-protected
};

// How messages name an input: "standard input" for "" or "-", else 'PATH'.
std::string inputName(const std::string& path);

// Reads INPUT ("" or "-": standard input) into `text` as the engine reads it
// (text.asByteSet() is the engine's input). False with a message naming the
// input in `error`.
bool readSubtitle(const std::string& path, ByteBuffer& text, SubtitleEncoding& encoding, std::string& error);

// Writes `count` bytes of engine output to OUTPUT ("" or "-": standard
// output) in the input's encoding (see writeWholeOutput for how). False
// with a message naming the output in `error`.
bool writeSubtitle(const std::string& path, const SubtitleEncoding& encoding, const uint8_t* data, uint64_t count,
                   std::string& error);

}  // namespace retime
