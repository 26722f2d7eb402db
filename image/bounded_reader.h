// Reading little-endian fields from a window of a byte span. Every read that
// would run past the window's end fails instead, with one message naming the
// scope, the field and the offset; after the first failure every further read
// fails too, so a parser can read a run of fields and check once.
#pragma once

#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

namespace image {

class BoundedReader {
public:
    // Reads bytes[begin, end). Offsets in messages are offsets in `bytes`.
    BoundedReader(std::span<const uint8_t> bytes, size_t begin, size_t end, std::string scope);

    size_t position() const { return pos_; }
    size_t end() const { return end_; }
    size_t remaining() const { return end_ - pos_; }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }

    // Changes the scope named in later messages.
    void setScope(std::string scope) { scope_ = std::move(scope); }

    bool u8(uint8_t& out, std::string_view field);
    bool u16(uint16_t& out, std::string_view field);
    bool u32(uint32_t& out, std::string_view field);
    bool i32(int32_t& out, std::string_view field);
    bool bytes(size_t n, std::span<const uint8_t>& out, std::string_view field);
    bool bytes(size_t n, std::string& out, std::string_view field);
    bool skip(size_t n, std::string_view field);
    // A u32 count n, then n bytes.
    bool counted(std::string& out, std::string_view field);
    // Bytes up to a NUL inside the window; the NUL is consumed, not returned.
    bool zeroEnded(std::string& out, std::string_view field);

    // Records a failure of the caller's own (a wrong value, say) at `at`.
    bool fail(std::string_view field, size_t at, std::string_view what);

private:
    bool need(size_t n, std::string_view field);

    std::span<const uint8_t> bytes_;
    size_t pos_;
    size_t end_;
    std::string scope_;
    bool failed_ = false;
    std::string error_;
};

}  // namespace image
