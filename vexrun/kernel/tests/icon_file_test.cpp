// The icon reader both window layers use: the images of a directory, each
// checked to lie inside the file, and the one nearest a size.
#include "vexrun/kernel/icon_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexrun {
namespace {

// A directory of two images: 16 pixels (a bitmap's first bytes) and 256
// pixels (width byte 0, a PNG signature).
std::vector<uint8_t> twoImages() {
    std::vector<uint8_t> f = {0, 0, 1, 0, 2, 0};
    auto entry = [&f](uint8_t width, uint32_t size, uint32_t offset) {
        const uint8_t e[16] = {width, width, 0, 0, 1, 0, 32, 0, uint8_t(size), 0, 0, 0, uint8_t(offset), 0, 0, 0};
        f.insert(f.end(), e, e + 16);
    };
    entry(16, 8, 38);
    entry(0, 8, 46);
    f.insert(f.end(), {40, 0, 0, 0, 16, 0, 0, 0});
    f.insert(f.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    return f;
}

TEST(IconFile, FindsEachImageAndTheOneNearestASize) {
    std::string error;
    const std::vector<uint8_t> file = twoImages();
    const std::vector<IconImage> images = iconImages(file, error);
    ASSERT_EQ(images.size(), 2u) << error;
    EXPECT_EQ(images[0].width, 16u);
    EXPECT_FALSE(images[0].png);
    EXPECT_EQ(images[0].bytes.data(), file.data() + 38);
    EXPECT_EQ(images[1].width, 256u);
    EXPECT_TRUE(images[1].png);
    EXPECT_EQ(nearestIconImage(images, 16), &images[0]);
    EXPECT_EQ(nearestIconImage(images, 32), &images[0]);
    EXPECT_EQ(nearestIconImage(images, 200), &images[1]);
    EXPECT_EQ(nearestIconImage({}, 32), nullptr);

    // An image one byte past the end names itself; a cut directory is refused.
    std::vector<uint8_t> cut = file;
    cut.pop_back();
    EXPECT_TRUE(iconImages(cut, error).empty());
    EXPECT_EQ(error, "image 1 of the window icon lies outside the file");
    EXPECT_TRUE(iconImages(std::span(file).first(20), error).empty());
    EXPECT_EQ(error, "the window icon's directory runs past its end");
}

}  // namespace
}  // namespace vexrun
