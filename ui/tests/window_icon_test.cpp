#include "ui/window_icon.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "image/little_endian.h"
#include "ui/ico_writer.h"
#include "ui/png_writer.h"

namespace ui {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return image::loadU32(b.data() + at); }
uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return image::loadU16(b.data() + at); }
uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// A test image whose every channel differs from pixel to pixel, with fully
// transparent, partly transparent and opaque pixels.
std::vector<uint32_t> patternPixels(uint32_t width, uint32_t height) {
    std::vector<uint32_t> p(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t alpha = (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 0x80 : 0xFF;
            p[size_t{y} * width + x] = alpha << 24 | (x * 7 & 0xFF) << 16 | (y * 5 & 0xFF) << 8 |
                                       ((x ^ y) & 0xFF);
        }
    }
    return p;
}

// ---------------------------------------------------------------------------
// The picture
// ---------------------------------------------------------------------------

TEST(WindowIcon, IsA48By48PictureWithSoftEdgesAndTransparentCorners) {
    const std::vector<uint32_t> px = windowIconPixels();
    ASSERT_EQ(px.size(), 48u * 48u);
    for (size_t corner : {size_t{0}, size_t{47}, size_t{47 * 48}, size_t{48 * 48 - 1}}) {
        EXPECT_EQ(px[corner] >> 24, 0u) << "corner " << corner;
    }
    EXPECT_EQ(px[24 * 48 + 24] >> 24, 0xFFu) << "the centre is opaque";

    size_t transparent = 0, partial = 0;
    std::set<uint32_t> colours;
    for (uint32_t p : px) {
        const uint32_t a = p >> 24;
        if (a == 0) {
            ++transparent;
            EXPECT_EQ(p, 0u) << "a fully transparent pixel carries no colour";
        } else if (a < 0xFF) {
            ++partial;
        }
        colours.insert(p);
    }
    EXPECT_GT(transparent, 0u);
    EXPECT_GT(partial, 20u) << "edges are antialiased";
    EXPECT_GT(colours.size(), 30u);
    EXPECT_EQ(windowIconPixels(), px) << "drawing is deterministic";
}

// ---------------------------------------------------------------------------
// The icon file
// ---------------------------------------------------------------------------

TEST(WindowIconIco, HeaderDirectoryEntryAndBitmapHeaderByteForByte) {
    const std::vector<uint8_t> ico = windowIconIco();
    ASSERT_EQ(ico.size(), 0x25BEu);

    const std::vector<uint8_t> directory(ico.begin(), ico.begin() + 22);
    const std::vector<uint8_t> expectedDirectory = {
        0x00, 0x00, 0x01, 0x00, 0x01, 0x00,              // reserved, type 1, one image
        48, 48, 0, 0, 0x01, 0x00, 0x20, 0x00,            // 48x48, no palette, 1 plane, 32 bpp
        0xA8, 0x25, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00,  // image size 0x25A8 at offset 22
    };
    EXPECT_EQ(directory, expectedDirectory);

    EXPECT_EQ(le32(ico, 22), 40u);      // header size
    EXPECT_EQ(le32(ico, 26), 48u);      // width
    EXPECT_EQ(le32(ico, 30), 96u);      // height: colour and mask halves
    EXPECT_EQ(le16(ico, 34), 1u);       // planes
    EXPECT_EQ(le16(ico, 36), 32u);      // bits per pixel
    EXPECT_EQ(le32(ico, 38), 0u);       // no compression
    EXPECT_EQ(le32(ico, 42), 0x2580u);  // pixels and mask
    for (size_t i = 46; i < 62; ++i) EXPECT_EQ(ico[i], 0) << "byte " << i;

    EXPECT_EQ(22u + le32(ico, 14), ico.size()) << "the image runs to the end of the file";
    EXPECT_EQ(40u + 48u * 48u * 4u + 48u * 8u, 0x25A8u);
}

TEST(WindowIconIco, PixelsBottomUpInBgraThenAPaddedMaskOfTheTransparentPixels) {
    const std::vector<uint8_t> ico = windowIconIco();
    const std::vector<uint32_t> px = windowIconPixels();
    ASSERT_EQ(ico.size(), 0x25BEu);

    const size_t pixelsAt = 62;
    for (uint32_t stored = 0; stored < 48; ++stored) {
        const uint32_t row = 47 - stored;
        for (uint32_t x = 0; x < 48; ++x) {
            const uint32_t p = px[row * 48 + x];
            const size_t at = pixelsAt + (stored * 48 + x) * 4;
            ASSERT_EQ(ico[at + 0], p & 0xFF) << "blue, row " << row << " x " << x;
            ASSERT_EQ(ico[at + 1], (p >> 8) & 0xFF) << "green, row " << row << " x " << x;
            ASSERT_EQ(ico[at + 2], (p >> 16) & 0xFF) << "red, row " << row << " x " << x;
            ASSERT_EQ(ico[at + 3], p >> 24) << "alpha, row " << row << " x " << x;
        }
    }

    const size_t maskAt = pixelsAt + 48 * 48 * 4;
    ASSERT_EQ(maskAt + 48 * 8, ico.size());
    for (uint32_t stored = 0; stored < 48; ++stored) {
        const uint32_t row = 47 - stored;
        const size_t rowAt = maskAt + stored * 8;
        for (uint32_t x = 0; x < 48; ++x) {
            const bool bit = ico[rowAt + x / 8] & (0x80 >> (x % 8));
            ASSERT_EQ(bit, (px[row * 48 + x] >> 24) == 0) << "row " << row << " x " << x;
        }
        EXPECT_EQ(ico[rowAt + 6], 0) << "padding, row " << row;
        EXPECT_EQ(ico[rowAt + 7], 0) << "padding, row " << row;
    }
}

TEST(IcoWriter, PadsMaskRowsOfWidthsThatAreNoMultipleOf32) {
    const std::vector<uint32_t> px = patternPixels(33, 2);
    const std::vector<uint8_t> ico = encodeIco32(px, 33, 2);
    const size_t maskRow = 8;  // 33 bits take 5 bytes, padded to 8
    ASSERT_EQ(ico.size(), 22u + 40u + 33u * 2u * 4u + maskRow * 2u);
    EXPECT_EQ(le32(ico, 14), 40u + 33u * 2u * 4u + maskRow * 2u);
    EXPECT_EQ(le32(ico, 42), 33u * 2u * 4u + maskRow * 2u);
    EXPECT_EQ(le32(ico, 30), 4u);
    // Row 0 (stored second): pixel x is transparent when x % 3 == 0.
    const size_t row0 = 22 + 40 + 33 * 2 * 4 + maskRow;
    for (uint32_t x = 0; x < 33; ++x) {
        EXPECT_EQ(bool(ico[row0 + x / 8] & (0x80 >> (x % 8))), x % 3 == 0) << x;
    }
    for (size_t i = 5; i < maskRow; ++i) EXPECT_EQ(ico[row0 + i], 0);

    EXPECT_TRUE(encodeIco32(px, 33, 3).empty()) << "pixel count does not match";
    EXPECT_TRUE(encodeIco32(std::vector<uint32_t>(257), 257, 1).empty()) << "too wide to store";
}

// ---------------------------------------------------------------------------
// The PNG file
// ---------------------------------------------------------------------------

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking the signature and every CRC.
std::vector<Chunk> readChunks(const std::vector<uint8_t>& png) {
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(png.size() >= 8 && std::equal(signature.begin(), signature.end(), png.begin()));
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = be32(png, at);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "chunk at " << at << " runs past the end";
            break;
        }
        Chunk c{std::string(png.begin() + at + 4, png.begin() + at + 8),
                std::vector<uint8_t>(png.begin() + at + 8, png.begin() + at + 8 + length)};
        const uint32_t crc = static_cast<uint32_t>(::crc32(0, png.data() + at + 4, 4 + length));
        EXPECT_EQ(be32(png, at + 8 + length), crc) << "CRC of " << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
    return chunks;
}

// Takes a zlib stream of stored blocks apart by hand, checks its header,
// block lengths and Adler-32, and returns the bytes.
std::vector<uint8_t> inflateStored(const std::vector<uint8_t>& z, int& blocks) {
    std::vector<uint8_t> out;
    blocks = 0;
    if (z.size() < 6) {
        ADD_FAILURE() << "zlib stream too short";
        return out;
    }
    EXPECT_EQ(z[0] & 0x0F, 8) << "deflate";
    EXPECT_EQ((z[0] << 8 | z[1]) % 31, 0) << "header check";
    EXPECT_EQ(z[1] & 0x20, 0) << "no preset dictionary";
    size_t at = 2;
    bool final = false;
    while (!final) {
        if (at + 5 > z.size()) {
            ADD_FAILURE() << "stored block header runs past the end";
            return out;
        }
        final = z[at] & 1;
        EXPECT_EQ(z[at] & 0x06, 0) << "block " << blocks << " is not stored";
        const uint32_t len = z[at + 1] | z[at + 2] << 8;
        const uint32_t nlen = z[at + 3] | z[at + 4] << 8;
        EXPECT_EQ(len ^ nlen, 0xFFFFu) << "block " << blocks;
        at += 5;
        if (at + len > z.size()) {
            ADD_FAILURE() << "stored block runs past the end";
            return out;
        }
        out.insert(out.end(), z.begin() + at, z.begin() + at + len);
        at += len;
        ++blocks;
    }
    EXPECT_EQ(at + 4, z.size()) << "Adler-32 ends the stream";
    if (at + 4 <= z.size()) {
        EXPECT_EQ(be32(z, at), static_cast<uint32_t>(::adler32(1, out.data(), out.size())));
    }
    return out;
}

// The filter-0 scanlines of RGBA pixels, as a decoder would reconstruct them.
std::vector<uint8_t> expectedScanlines(const std::vector<uint32_t>& px, uint32_t w, uint32_t h) {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t p = px[y * w + x];
            raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
        }
    }
    return raw;
}

void expectPngOf(const std::vector<uint8_t>& png, const std::vector<uint32_t>& px, uint32_t w,
                 uint32_t h, int expectedBlocks) {
    const std::vector<Chunk> chunks = readChunks(png);
    ASSERT_GE(chunks.size(), 3u);
    ASSERT_EQ(chunks.front().type, "IHDR");
    const std::vector<uint8_t>& ihdr = chunks.front().data;
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(be32(ihdr, 0), w);
    EXPECT_EQ(be32(ihdr, 4), h);
    EXPECT_EQ(ihdr[8], 8) << "bit depth";
    EXPECT_EQ(ihdr[9], 6) << "RGBA";
    EXPECT_EQ(ihdr[10], 0) << "compression";
    EXPECT_EQ(ihdr[11], 0) << "filter method";
    EXPECT_EQ(ihdr[12], 0) << "no interlace";
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());

    std::vector<uint8_t> z;
    for (const Chunk& c : chunks) {
        if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
    }
    int blocks = 0;
    const std::vector<uint8_t> raw = inflateStored(z, blocks);
    EXPECT_EQ(blocks, expectedBlocks);
    EXPECT_EQ(raw, expectedScanlines(px, w, h));

    // zlib itself agrees.
    std::vector<uint8_t> inflated(raw.size() + 16);
    uLongf inflatedSize = inflated.size();
    ASSERT_EQ(::uncompress(inflated.data(), &inflatedSize, z.data(), z.size()), Z_OK);
    inflated.resize(inflatedSize);
    EXPECT_EQ(inflated, raw);
}

TEST(WindowIconPng, DecodesToTheIconPixels) {
    expectPngOf(windowIconPng(), windowIconPixels(), 48, 48, 1);
}

TEST(PngWriter, SplitsLargeImagesIntoStoredBlocksOfAtMost65535Bytes) {
    // 200 x 100 RGBA: 100 x 801 = 80100 raw bytes, two stored blocks.
    const std::vector<uint32_t> px = patternPixels(200, 100);
    expectPngOf(encodePng(px, 200, 100), px, 200, 100, 2);

    // Exactly one full block: 15 rows of 1 + 4 x 1092 bytes make 65535.
    const std::vector<uint32_t> exact = patternPixels(1092, 15);
    expectPngOf(encodePng(exact, 1092, 15), exact, 1092, 15, 1);
}

TEST(PngWriter, WritesATinyImageAndRejectsMismatchedSizes) {
    const std::vector<uint32_t> one = {0x80FF2010u};
    expectPngOf(encodePng(one, 1, 1), one, 1, 1, 1);
    EXPECT_TRUE(encodePng(one, 0, 1).empty());
    EXPECT_TRUE(encodePng(one, 2, 1).empty());
}

// ---------------------------------------------------------------------------
// The tool
// ---------------------------------------------------------------------------

int runTool(const std::string& arguments) {
    const int status = std::system((std::string(TESSALY_ICON_PNG_TOOL) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(IconPngTool, WritesTheIconPngAndReportsAPathItCannotWrite) {
    const std::string out = ::testing::TempDir() + "tessaly-icon-test.png";
    std::remove(out.c_str());
    ASSERT_EQ(runTool("'" + out + "'"), 0);
    std::ifstream in(out, std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(written, windowIconPng());
    std::remove(out.c_str());

    const std::string log = ::testing::TempDir() + "tessaly-icon-test.log";
    EXPECT_EQ(runTool("/nonexistent-dir/icon.png 2>'" + log + "'"), 1);
    std::ifstream err(log);
    const std::string message((std::istreambuf_iterator<char>(err)), {});
    EXPECT_NE(message.find("/nonexistent-dir/icon.png"), std::string::npos) << message;
    std::remove(log.c_str());

    EXPECT_EQ(runTool("2>/dev/null"), 2) << "no output path";
}

}  // namespace
}  // namespace ui
