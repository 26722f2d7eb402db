// Appending little-endian integers, texts and byte strings to a growing byte
// buffer: the writing side of the image and the window record.
#pragma once

#include <stdint.h>

#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace image {

class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void bytes(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    void bytes(std::string_view s) {
        bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
    }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // A u32 byte count, then the bytes.
    void counted(std::string_view s) {
        u32(static_cast<uint32_t>(s.size()));
        bytes(s);
    }
    void counted(std::span<const uint8_t> b) {
        u32(static_cast<uint32_t>(b.size()));
        bytes(b);
    }
    // The bytes, then one NUL.
    void zeroEnded(std::string_view s) {
        bytes(s);
        u8(0);
    }
    // Overwrites a u32 written earlier.
    void patchU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& data() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace image
