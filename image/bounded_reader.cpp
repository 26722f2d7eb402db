#include "image/bounded_reader.h"

#include <cstring>

#include "image/hex_text.h"
#include "image/little_endian.h"

namespace image {

BoundedReader::BoundedReader(std::span<const uint8_t> bytes, size_t begin, size_t end, std::string scope)
    : bytes_(bytes), pos_(begin), end_(end), scope_(std::move(scope)) {
    // A window that does not lie inside the bytes is empty from the start.
    if (end_ > bytes_.size()) end_ = bytes_.size();
    if (pos_ > end_) pos_ = end_;
}

bool BoundedReader::fail(std::string_view field, size_t at, std::string_view what) {
    if (failed_) return false;
    failed_ = true;
    error_ = scope_ + ": " + std::string(field) + " at offset " + hexText(at) + ": " + std::string(what);
    return false;
}

bool BoundedReader::need(size_t n, std::string_view field) {
    if (failed_) return false;
    if (n > end_ - pos_) {
        return fail(field, pos_,
                    "needs " + std::to_string(n) + " bytes but only " + std::to_string(end_ - pos_) +
                        " remain before " + hexText(end_));
    }
    return true;
}

bool BoundedReader::u8(uint8_t& out, std::string_view field) {
    if (!need(1, field)) return false;
    out = bytes_[pos_++];
    return true;
}

bool BoundedReader::u16(uint16_t& out, std::string_view field) {
    if (!need(2, field)) return false;
    out = loadU16(bytes_.data() + pos_);
    pos_ += 2;
    return true;
}

bool BoundedReader::u32(uint32_t& out, std::string_view field) {
    if (!need(4, field)) return false;
    out = loadU32(bytes_.data() + pos_);
    pos_ += 4;
    return true;
}

bool BoundedReader::i32(int32_t& out, std::string_view field) {
    uint32_t u;
    if (!u32(u, field)) return false;
    out = static_cast<int32_t>(u);
    return true;
}

bool BoundedReader::bytes(size_t n, std::span<const uint8_t>& out, std::string_view field) {
    if (!need(n, field)) return false;
    out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
}

bool BoundedReader::bytes(size_t n, std::string& out, std::string_view field) {
    std::span<const uint8_t> s;
    if (!bytes(n, s, field)) return false;
    out.assign(reinterpret_cast<const char*>(s.data()), s.size());
    return true;
}

bool BoundedReader::skip(size_t n, std::string_view field) {
    if (!need(n, field)) return false;
    pos_ += n;
    return true;
}

bool BoundedReader::counted(std::string& out, std::string_view field) {
    size_t at = pos_;
    uint32_t n;
    if (!u32(n, field)) return false;
    if (n > end_ - pos_) {
        return fail(field, at,
                    "count " + std::to_string(n) + " runs past " + hexText(end_) + " (" +
                        std::to_string(end_ - pos_) + " bytes remain)");
    }
    return bytes(n, out, field);
}

bool BoundedReader::zeroEnded(std::string& out, std::string_view field) {
    if (failed_) return false;
    if (pos_ == end_) return fail(field, pos_, "missing NUL before " + hexText(end_));
    const void* nul = std::memchr(bytes_.data() + pos_, 0, end_ - pos_);
    if (!nul) return fail(field, pos_, "missing NUL before " + hexText(end_));
    size_t n = static_cast<const uint8_t*>(nul) - (bytes_.data() + pos_);
    out.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
    pos_ += n + 1;
    return true;
}

}  // namespace image
