#include "ui/png_writer.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace ui {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kBitDepth = 8;
constexpr uint8_t kColourTypeRgba = 6;
constexpr uint8_t kFilterNone = 0;
// zlib header: deflate with a 32 KiB window, no dictionary, fastest level;
// 0x7801 is a multiple of 31 as the format requires.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x01};
static_assert(((kZlibHeader[0] << 8) | kZlibHeader[1]) % 31 == 0);
constexpr size_t kMaxStoredBlock = 65535;

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

uint32_t crcUpdate(uint32_t crc, std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc;
}

void appendBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

// A chunk: length, type, data, and the CRC of type and data.
void appendChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data) {
    appendBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uint32_t crc =
        ~crcUpdate(0xFFFFFFFFu, std::span(out).subspan(typeAt, type.size() + data.size()));
    appendBigEndian(out, crc);
}

// The raw image: per row one filter byte, then R, G, B, A per pixel.
std::vector<uint8_t> scanlines(std::span<const uint32_t> argb, uint32_t width, uint32_t height) {
    std::vector<uint8_t> raw;
    raw.reserve(size_t{height} * (1 + size_t{width} * 4));
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(kFilterNone);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = argb[size_t{y} * width + x];
            raw.push_back(static_cast<uint8_t>(p >> 16));
            raw.push_back(static_cast<uint8_t>(p >> 8));
            raw.push_back(static_cast<uint8_t>(p));
            raw.push_back(static_cast<uint8_t>(p >> 24));
        }
    }
    return raw;
}

uint32_t adler32(std::span<const uint8_t> bytes) {
    constexpr uint32_t kModulus = 65521;
    uint32_t a = 1, b = 0;
    for (uint8_t v : bytes) {
        a = (a + v) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

// A zlib stream of stored blocks holding `raw`.
std::vector<uint8_t> storedZlib(std::span<const uint8_t> raw) {
    std::vector<uint8_t> z(std::begin(kZlibHeader), std::end(kZlibHeader));
    size_t at = 0;
    do {
        const size_t n = std::min(kMaxStoredBlock, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    appendBigEndian(z, adler32(raw));
    return z;
}

}  // namespace

std::vector<uint8_t> encodePng(std::span<const uint32_t> argb, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || argb.size() != size_t{width} * height) return {};

    std::vector<uint8_t> out(std::begin(kSignature), std::end(kSignature));

    std::vector<uint8_t> header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {kBitDepth, kColourTypeRgba, 0 /* deflate */,
                                 0 /* adaptive filtering */, 0 /* no interlace */});
    appendChunk(out, "IHDR", header);

    appendChunk(out, "IDAT", storedZlib(scanlines(argb, width, height)));
    appendChunk(out, "IEND", {});
    return out;
}

}  // namespace ui
