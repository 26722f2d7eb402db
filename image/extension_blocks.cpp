// The kind-specific extension blocks of the window record's elements: their
// named settings decoded, and new blocks encoded with the stored value of
// every unnamed setting.
#include <cstring>

#include "image/bounded_reader.h"
#include "image/byte_writer.h"
#include "image/window_record.h"

namespace image {
namespace {

// Stored values of the unnamed settings, field by field.
constexpr uint32_t kGrey = 0x00808080u, kWhite = 0x00FFFFFFu;
constexpr uint32_t kWindowFormat = 6, kEditFormat = 2, kLabelFormat = 2, kButtonFormat = 1, kCheckFormat = 2,
                   kShapeFormat = 1, kMaskedFormat = 1;
constexpr uint32_t kWindowLeadWords = 19;  // format, 17 settings and the background colour
constexpr uint32_t kLabelLeadWords = 19;
constexpr uint32_t kButtonLeadWords = 6;
constexpr uint32_t kCheckLeadWords = 11;
constexpr uint32_t kShapeWords = 8;
constexpr uint32_t kDropTargetWords = 5;
constexpr size_t kFontSize = 60;
constexpr size_t kFaceFieldSize = 32;

// A reader of a whole block: decoding succeeds only when every field is there
// and nothing follows the last one.
struct BlockReader {
    explicit BlockReader(std::span<const uint8_t> block) : r(block, 0, block.size(), "extension block") {}
    uint32_t word() {
        uint32_t v = 0;
        r.u32(v, "setting");
        return v;
    }
    std::string counted() {
        std::string s;
        r.counted(s, "counted field");
        return s;
    }
    void skip(size_t n) { r.skip(n, "settings"); }
    bool complete() { return !r.failed() && r.remaining() == 0; }
    BoundedReader r;
};

void words(ByteWriter& w, std::initializer_list<uint32_t> values) {
    for (uint32_t v : values) w.u32(v);
}

}  // namespace

// --- window --------------------------------------------------------------
std::optional<WindowSettings> decodeWindowSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    uint32_t lead[kWindowLeadWords];
    for (uint32_t& v : lead) v = b.word();
    WindowSettings s;
    s.backgroundColour = lead[3];
    s.nameText = b.counted();
    b.word();
    std::string icon = b.counted();
    s.icon.assign(icon.begin(), icon.end());
    b.word();
    s.caption = b.counted();
    b.word();
    if (!b.complete() || lead[0] != kWindowFormat) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeWindowSettings(const WindowSettings& s) {
    ByteWriter w;
    words(w, {kWindowFormat, 2, 1, s.backgroundColour, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0});
    w.counted(s.nameText);
    w.u32(0);
    w.counted(s.icon);
    w.u32(0);
    w.counted(s.caption);
    w.u32(0);
    return w.take();
}

// --- edit box ------------------------------------------------------------
std::optional<EditBoxSettings> decodeEditBoxSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    EditBoxSettings s;
    uint32_t format = b.word();
    s.variant = b.word();
    b.word();
    s.backgroundColour = b.word();
    b.word();
    b.word();
    s.multiLine = b.word() != 0;
    s.scrollBars = b.word();
    s.setting32 = b.word();
    s.setting36 = b.word();
    b.r.u16(s.passwordChar, "password character");
    b.skip(12);
    b.word();
    b.skip(12);
    s.text = b.counted();
    b.skip(8);
    if (!b.complete() || format != kEditFormat) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeEditBoxSettings(const EditBoxSettings& s) {
    ByteWriter w;
    words(w, {kEditFormat, s.variant, 0, s.backgroundColour, 1, 0, s.multiLine ? 1u : 0u, s.scrollBars, s.setting32,
              s.setting36});
    w.u16(s.passwordChar);
    w.zeros(12);
    w.u32(100);
    w.zeros(12);
    w.counted(s.text);
    w.zeros(8);
    return w.take();
}

// --- label ---------------------------------------------------------------
std::optional<LabelSettings> decodeLabelSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    uint32_t lead[kLabelLeadWords];
    for (uint32_t& v : lead) v = b.word();
    LabelSettings s;
    s.textColour = lead[7];
    s.backgroundColour = lead[8];
    s.setting64 = lead[16];
    s.caption = b.counted();
    b.skip(8);
    if (!b.complete() || lead[0] != kLabelFormat) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeLabelSettings(const LabelSettings& s) {
    ByteWriter w;
    words(w, {kLabelFormat, 0, 8, 0, kGrey, kWhite, kGrey, s.textColour, s.backgroundColour, 1, 0, kGrey, kWhite,
              kGrey, 0, 1, s.setting64, 0, 0});
    w.counted(s.caption);
    w.zeros(8);
    return w.take();
}

// --- button --------------------------------------------------------------
std::optional<ButtonSettings> decodeButtonSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    uint32_t lead[kButtonLeadWords];
    for (uint32_t& v : lead) v = b.word();
    ButtonSettings s;
    s.caption = b.counted();
    if (!b.complete() || lead[0] != kButtonFormat) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeButtonSettings(const ButtonSettings& s) {
    ByteWriter w;
    words(w, {kButtonFormat, 0, 1, 1, 0, 0});
    w.counted(s.caption);
    return w.take();
}

// --- check box -----------------------------------------------------------
std::optional<CheckBoxSettings> decodeCheckBoxSettings(std::span<const uint8_t> block) {
    CheckBoxSettings s;
    if (block.empty()) {
        s.emptyBlock = true;  // no caption, unchecked
        return s;
    }
    BlockReader b(block);
    uint32_t lead[kCheckLeadWords];
    for (uint32_t& v : lead) v = b.word();
    s.backgroundColour = lead[7];
    s.checked = lead[8] != 0;
    s.caption = b.counted();
    b.skip(8);
    if (!b.complete() || lead[0] != kCheckFormat) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeCheckBoxSettings(const CheckBoxSettings& s) {
    if (s.emptyBlock) return {};
    ByteWriter w;
    words(w, {kCheckFormat, 0, 0, 0, 0, 1, 0, s.backgroundColour, s.checked ? 1u : 0u, 0, 0});
    w.counted(s.caption);
    w.zeros(8);
    return w.take();
}

// --- shape box -----------------------------------------------------------
std::optional<ShapeSettings> decodeShapeSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    uint32_t v[kShapeWords];
    for (uint32_t& x : v) x = b.word();
    if (!b.complete() || v[0] != kShapeFormat) return std::nullopt;
    ShapeSettings s;
    s.colour = v[1];
    s.shape = v[2];
    s.lineColour = v[6];
    s.fillColour = v[7];
    return s;
}

std::vector<uint8_t> encodeShapeSettings(const ShapeSettings& s) {
    ByteWriter w;
    words(w, {kShapeFormat, s.colour, s.shape, 0, 3, 1, s.lineColour, s.fillColour});
    return w.take();
}

// --- masked edit box -----------------------------------------------------
std::optional<MaskedEditSettings> decodeMaskedEditSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    MaskedEditSettings s;
    uint32_t format = b.word();
    s.mask = b.counted();
    s.backgroundColour = b.word();
    b.r.u8(s.setting8, "setting");
    s.setting13 = b.word();
    b.word();
    b.word();
    s.initialText = b.counted();
    std::span<const uint8_t> font;
    b.r.bytes(kFontSize, font, "font");
    s.textColour = b.word();
    if (!b.complete() || format != kMaskedFormat) return std::nullopt;

    BoundedReader f(font, 0, font.size(), "font");
    uint32_t escapement, orientation;
    f.i32(s.font.height, "height");
    f.i32(s.font.width, "width");
    f.u32(escapement, "escapement");
    f.u32(orientation, "orientation");
    f.i32(s.font.weight, "weight");
    f.u8(s.font.italic, "italic");
    f.u8(s.font.underline, "underline");
    f.u8(s.font.strikeOut, "strike-out");
    f.u8(s.font.charSet, "character set");
    f.skip(4, "precision, quality, pitch and family");
    std::span<const uint8_t> face;
    f.bytes(kFaceFieldSize, face, "face name");
    std::copy(face.begin(), face.end(), s.font.faceField.begin());
    const void* nul = std::memchr(face.data(), 0, face.size());
    if (!nul) return std::nullopt;  // a face name must end inside its field
    s.font.faceName.assign(reinterpret_cast<const char*>(face.data()),
                           static_cast<const uint8_t*>(nul) - face.data());
    return s;
}

std::vector<uint8_t> encodeMaskedEditSettings(const MaskedEditSettings& s) {
    ByteWriter w;
    w.u32(kMaskedFormat);
    w.counted(s.mask);
    w.u32(s.backgroundColour);
    w.u8(s.setting8);
    w.u32(s.setting13);
    w.u32(0);
    w.u32(0);
    w.counted(s.initialText);
    w.i32(s.font.height);
    w.i32(s.font.width);
    w.u32(0);  // escapement
    w.u32(0);  // orientation
    w.i32(s.font.weight);
    w.u8(s.font.italic);
    w.u8(s.font.underline);
    w.u8(s.font.strikeOut);
    w.u8(s.font.charSet);
    w.zeros(4);
    // A field read from a record keeps its bytes after the NUL; a new one is
    // the name and zeros.
    std::array<uint8_t, kFaceFieldSize> face{};
    const uint8_t* stored = s.font.faceField.data();
    const void* nul = std::memchr(stored, 0, kFaceFieldSize);
    bool storedMatches = nul && std::string_view(reinterpret_cast<const char*>(stored),
                                                 static_cast<const uint8_t*>(nul) - stored) == s.font.faceName;
    if (storedMatches) {
        face = s.font.faceField;
    } else {
        std::memcpy(face.data(), s.font.faceName.data(), std::min(s.font.faceName.size(), kFaceFieldSize - 1));
    }
    w.bytes(face);
    w.u32(s.textColour);
    return w.take();
}

// --- drop target object --------------------------------------------------
std::optional<DropTargetSettings> decodeDropTargetSettings(std::span<const uint8_t> block) {
    BlockReader b(block);
    DropTargetSettings s;
    for (uint32_t& v : s.settings) v = b.word();
    if (!b.complete()) return std::nullopt;
    return s;
}

std::vector<uint8_t> encodeDropTargetSettings(const DropTargetSettings& s) {
    ByteWriter w;
    for (uint32_t v : s.settings) w.u32(v);
    return w.take();
}

static_assert(kDropTargetWords == std::tuple_size_v<decltype(DropTargetSettings::settings)>);
static_assert(kFontSize == 4 * 5 + 8 + kFaceFieldSize, "a logical-font record is 60 bytes");

}  // namespace image
