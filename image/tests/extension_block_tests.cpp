// The kind-specific extension blocks: each setting at its offset, decoding
// what was encoded, the defaults of empty blocks, and no decoding of a block
// that is short, long or of another format.
#include <gtest/gtest.h>

#include <functional>

#include "image/little_endian.h"
#include "image/tests/record_samples.h"
#include "image/window_record.h"

namespace {

using namespace image;
using test::gbkOf;

uint32_t wordAt(const std::vector<uint8_t>& b, size_t at) { return loadU32(&b[at]); }

// No prefix of a block and no block with a byte more decodes.
void expectOnlyTheWholeBlockDecodes(const std::vector<uint8_t>& block,
                                    const std::function<bool(std::span<const uint8_t>)>& decodes) {
    EXPECT_TRUE(decodes(block));
    for (size_t n = 1; n < block.size(); ++n) {
        EXPECT_FALSE(decodes(std::span<const uint8_t>(block.data(), n))) << "length " << n;
    }
    auto longer = block;
    longer.push_back(0);
    EXPECT_FALSE(decodes(longer));
}

TEST(ExtensionBlocks, WindowBlock) {
    WindowSettings s;
    s.nameText = "Tessalyw";
    s.icon = {1, 2, 3};
    s.caption = gbkOf("Tessaly-初版");
    auto b = encodeWindowSettings(s);
    const uint32_t lead[19] = {6, 2, 1, 0xFF000000, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0};
    for (int i = 0; i < 19; ++i) EXPECT_EQ(wordAt(b, 4 * i), lead[i]) << "setting at " << 4 * i;
    EXPECT_EQ(wordAt(b, 76), 8u);
    EXPECT_EQ(wordAt(b, 84 + 8), 3u) << "icon count";
    size_t caption = 84 + 8 + 4 + 3 + 4;
    EXPECT_EQ(wordAt(b, caption), s.caption.size());
    EXPECT_EQ(b.size(), caption + 4 + s.caption.size() + 4);
    auto d = decodeWindowSettings(b);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->nameText, "Tessalyw");
    EXPECT_EQ(d->icon, s.icon);
    EXPECT_EQ(d->caption, s.caption);
    EXPECT_EQ(d->backgroundColour, 0xFF000000u);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeWindowSettings(x).has_value(); });
}

TEST(ExtensionBlocks, EditBoxBlock) {
    EditBoxSettings s;
    s.variant = 5;
    s.multiLine = true;
    s.scrollBars = 3;
    s.setting32 = 1;
    s.setting36 = 1;
    s.text = "abc";
    auto b = encodeEditBoxSettings(s);
    const uint32_t lead[10] = {2, 5, 0, 0x00FFFFFF, 1, 0, 1, 3, 1, 1};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(wordAt(b, 4 * i), lead[i]) << "setting at " << 4 * i;
    EXPECT_EQ(b[40] | b[41] << 8, '*');
    EXPECT_EQ(wordAt(b, 54), 100u);
    EXPECT_EQ(wordAt(b, 70), 3u);
    EXPECT_EQ(b.size(), 74u + 3 + 8);
    auto d = decodeEditBoxSettings(b);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->variant, 5u);
    EXPECT_TRUE(d->multiLine);
    EXPECT_EQ(d->scrollBars, 3u);
    EXPECT_EQ(d->setting32, 1u);
    EXPECT_EQ(d->text, "abc");
    EXPECT_EQ(d->backgroundColour, 0x00FFFFFFu);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeEditBoxSettings(x).has_value(); });
    b[0] = 3;  // another format
    EXPECT_FALSE(decodeEditBoxSettings(b));
}

TEST(ExtensionBlocks, LabelBlock) {
    LabelSettings s;
    s.textColour = 0x008050FF;
    s.caption = gbkOf("目标1/4");
    auto b = encodeLabelSettings(s);
    const uint32_t lead[19] = {2,          0, 8, 0, 0x00808080, 0x00FFFFFF, 0x00808080, 0x008050FF, 0xFF000000, 1,
                               0, 0x00808080, 0x00FFFFFF, 0x00808080, 0, 1, 0, 0, 0};
    for (int i = 0; i < 19; ++i) EXPECT_EQ(wordAt(b, 4 * i), lead[i]) << "setting at " << 4 * i;
    EXPECT_EQ(wordAt(b, 76), s.caption.size());
    EXPECT_EQ(b.size(), 80 + s.caption.size() + 8);
    auto d = decodeLabelSettings(b);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->textColour, 0x008050FFu);
    EXPECT_EQ(d->caption, s.caption);
    EXPECT_EQ(d->setting64, 0u);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeLabelSettings(x).has_value(); });
}

TEST(ExtensionBlocks, ButtonBlock) {
    ButtonSettings s;
    s.caption = gbkOf("时间运算");
    auto b = encodeButtonSettings(s);
    const uint32_t lead[6] = {1, 0, 1, 1, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(wordAt(b, 4 * i), lead[i]);
    EXPECT_EQ(wordAt(b, 24), 8u) << "four characters, eight GBK bytes";
    EXPECT_EQ(b.size(), 28u + 8);
    EXPECT_EQ(decodeButtonSettings(b)->caption, s.caption);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeButtonSettings(x).has_value(); });
}

TEST(ExtensionBlocks, CheckBoxBlockAndItsEmptyForm) {
    CheckBoxSettings s;
    s.checked = true;
    s.caption = gbkOf("分1段");
    auto b = encodeCheckBoxSettings(s);
    const uint32_t lead[11] = {2, 0, 0, 0, 0, 1, 0, 0xFF000000, 1, 0, 0};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(wordAt(b, 4 * i), lead[i]) << "setting at " << 4 * i;
    EXPECT_EQ(wordAt(b, 44), s.caption.size());
    auto d = decodeCheckBoxSettings(b);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->checked);
    EXPECT_FALSE(d->emptyBlock);
    EXPECT_EQ(d->caption, s.caption);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeCheckBoxSettings(x).has_value(); });

    auto empty = decodeCheckBoxSettings({});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->emptyBlock);
    EXPECT_FALSE(empty->checked);
    EXPECT_TRUE(empty->caption.empty());
    EXPECT_TRUE(encodeCheckBoxSettings(*empty).empty());
}

TEST(ExtensionBlocks, ShapeBlock) {
    ShapeSettings s;
    s.shape = 7;
    auto b = encodeShapeSettings(s);
    ASSERT_EQ(b.size(), 32u);
    const uint32_t all[8] = {1, 0xFF000000, 7, 0, 3, 1, 0x00C06000, 0xFF000000};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(wordAt(b, 4 * i), all[i]);
    EXPECT_EQ(decodeShapeSettings(b)->shape, 7u);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeShapeSettings(x).has_value(); });
}

TEST(ExtensionBlocks, MaskedEditBlock) {
    MaskedEditSettings s = test::sampleMaskedSettings();
    s.mask = "# 00:00:00,000;1;0";
    s.initialText = "    :  :  ,   ";
    s.setting13 = 3;
    auto b = encodeMaskedEditSettings(s);
    size_t n = s.mask.size(), m = s.initialText.size();
    EXPECT_EQ(wordAt(b, 0), 1u);
    EXPECT_EQ(wordAt(b, 4), n);
    EXPECT_EQ(wordAt(b, 8 + n), 0xFF000005u);
    EXPECT_EQ(b[12 + n], 0x0F);
    EXPECT_EQ(wordAt(b, 13 + n), 3u);
    EXPECT_EQ(wordAt(b, 25 + n), 14u) << "the signed mask's blank text is 14 bytes";
    size_t font = 29 + n + m;
    EXPECT_EQ(static_cast<int32_t>(wordAt(b, font)), -13);
    EXPECT_EQ(wordAt(b, font + 16), 400u);
    EXPECT_EQ(b[font + 23], 1) << "character set";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[font + 28])), "MS Sans Serif");
    EXPECT_EQ(wordAt(b, 89 + n + m), 0xFF000008u);
    EXPECT_EQ(b.size(), 93 + n + m);
    auto d = decodeMaskedEditSettings(b);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->mask, s.mask);
    EXPECT_EQ(d->initialText, s.initialText);
    EXPECT_EQ(d->font.height, -13);
    EXPECT_EQ(d->font.faceName, "MS Sans Serif");
    EXPECT_EQ(d->textColour, 0xFF000008u);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeMaskedEditSettings(x).has_value(); });
    // A face name without a NUL in its field does not decode.
    for (size_t i = font + 28; i < font + 60; ++i) b[i] = 'x';
    EXPECT_FALSE(decodeMaskedEditSettings(b));
}

TEST(ExtensionBlocks, DropTargetBlock) {
    auto b = encodeDropTargetSettings({});
    ASSERT_EQ(b.size(), 20u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(wordAt(b, 4 * i), 1u);
    EXPECT_EQ(decodeDropTargetSettings(b)->settings[4], 1u);
    expectOnlyTheWholeBlockDecodes(b, [](auto x) { return decodeDropTargetSettings(x).has_value(); });
}

}  // namespace
