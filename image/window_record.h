// The window record of the image's "form" section: the model, its reader and
// writer, lookups, and the kind-specific settings decoded from an element's
// extension block.
//
// Reading a record and writing it back gives the same bytes: reserved fields,
// unnamed settings and the raw extension blocks are carried through. The
// decoded settings are views for the runtime; they never replace the raw
// block when a record is written back.
#pragma once

#include <stdint.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

struct EventBinding {
    int32_t event;           // >= 0: the kind's own event; < 0: a common event
    uint32_t handlerOffset;  // byte offset from the start of the code section
    bool operator==(const EventBinding&) const = default;
};

// One element: the window itself (element 0) or a control.
struct Element {
    uint32_t id = 0;
    uint32_t kind = 0;
    std::array<uint8_t, 20> reserved1{};
    std::string name;        // GBK bytes, without the NUL
    std::string secondText;  // empty in every element
    uint32_t reserved2 = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t reserved3 = 0;
    uint32_t reserved4 = 0;
    std::string byteStringA;                 // empty in every element
    std::string byteStringB{"\0\0\0\0", 4};  // 4 zero bytes in every element
    std::string thirdText;
    uint32_t reserved5 = 0;
    uint32_t stateFlags = 0;  // bit 0 visible, bit 1 disabled, bit 2 tab stop
    uint32_t reserved6 = 0;
    std::vector<EventBinding> events;
    std::array<uint8_t, 20> reserved7{};
    std::vector<uint8_t> extension;  // the kind-specific block, raw

    bool visible() const { return stateFlags & 1u; }
    bool disabled() const { return stateFlags & 2u; }
    bool tabStop() const { return stateFlags & 4u; }
};

struct Window {
    uint32_t id = 0;
    uint32_t furtherValue = 0;  // the value after the id in the section's tables
    uint32_t headerValue0 = 0;  // the body's first u32
    uint32_t headerValue1 = 0;  // the body's further 32-bit id
    std::string text1, text2;   // the body's two counted texts
    std::vector<Element> elements;  // element 0 is the window itself
};

struct WindowRecord {
    std::vector<Window> windows;

    const Window* window(uint32_t windowId) const;
};

// A failure to read: what is wrong and where (byte offset in the section).
struct RecordError {
    std::string message;
};

// Reads the bytes of a form section. On failure returns nullopt and fills
// `error` with one message naming the element and field and the offset;
// never reads outside `bytes`.
std::optional<WindowRecord> readWindowRecord(std::span<const uint8_t> bytes, RecordError& error);

// Writes a record. writeWindowRecord(readWindowRecord(b)) == b.
std::vector<uint8_t> writeWindowRecord(const WindowRecord& record);

// Lookups.
bool isKnownKindWord(uint32_t kind);  // one of the nine kinds the record may hold
const Element* findElement(const Window& window, uint32_t elementId);
std::optional<uint32_t> handlerFor(const Element& element, int32_t event);

// ---------------------------------------------------------------------------
// Decoded settings of the extension blocks. decode* returns nullopt when the
// block is too short or malformed for its kind (an empty block of a check box
// or spin control decodes to the defaults). encode* writes a new block with
// the stored values of every unnamed setting.
// ---------------------------------------------------------------------------
struct WindowSettings {
    uint32_t backgroundColour = 0xFF000000u;
    std::string nameText;            // 8 ASCII letters
    std::vector<uint8_t> icon;       // a complete ICO file
    std::string caption;             // GBK
};

struct EditBoxSettings {
    uint32_t variant = 1;            // the setting at 4: 1, or 5 in the calculator result box
    uint32_t backgroundColour = 0x00FFFFFFu;
    bool multiLine = false;
    uint32_t scrollBars = 0;         // bit 0 horizontal, bit 1 vertical
    uint32_t setting32 = 0;          // 1 in the calculator result box
    uint32_t setting36 = 0;          // 1 in the calculator result box
    uint16_t passwordChar = '*';
    std::string text;                // initial text, GBK
};

struct LabelSettings {
    uint32_t textColour = 0;
    uint32_t backgroundColour = 0xFF000000u;
    uint32_t setting64 = 0;          // 1 in the hint label
    std::string caption;             // GBK
};

struct ButtonSettings {
    std::string caption;             // GBK
};

struct CheckBoxSettings {
    uint32_t backgroundColour = 0xFF000000u;
    bool checked = false;
    std::string caption;             // GBK; empty for an empty block
    bool emptyBlock = false;         // the block has length 0 (all defaults)
};

struct ShapeSettings {
    uint32_t colour = 0xFF000000u;
    uint32_t shape = 6;              // 6 horizontal line, 7 vertical line
    uint32_t lineColour = 0x00C06000u;
    uint32_t fillColour = 0xFF000000u;
};

struct FontSettings {
    int32_t height = -13;
    int32_t width = 0;
    int32_t weight = 400;
    uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 1;
    std::string faceName;                // up to the NUL: "MS Sans Serif"
    std::array<uint8_t, 32> faceField{};  // the whole 32-byte field, as stored
};

struct MaskedEditSettings {
    std::string mask;                    // "00:00:00,000;1;0"
    uint32_t backgroundColour = 0xFF000005u;
    uint8_t setting8 = 0x0F;
    uint32_t setting13 = 3;              // 3, or 5 in the calculator operands
    std::string initialText;             // "  :  :  ,   "
    FontSettings font;
    uint32_t textColour = 0xFF000008u;
};

struct DropTargetSettings {
    std::array<uint32_t, 5> settings{1, 1, 1, 1, 1};
};

std::optional<WindowSettings> decodeWindowSettings(std::span<const uint8_t> block);
std::optional<EditBoxSettings> decodeEditBoxSettings(std::span<const uint8_t> block);
std::optional<LabelSettings> decodeLabelSettings(std::span<const uint8_t> block);
std::optional<ButtonSettings> decodeButtonSettings(std::span<const uint8_t> block);
std::optional<CheckBoxSettings> decodeCheckBoxSettings(std::span<const uint8_t> block);
std::optional<ShapeSettings> decodeShapeSettings(std::span<const uint8_t> block);
std::optional<MaskedEditSettings> decodeMaskedEditSettings(std::span<const uint8_t> block);
std::optional<DropTargetSettings> decodeDropTargetSettings(std::span<const uint8_t> block);

std::vector<uint8_t> encodeWindowSettings(const WindowSettings&);
std::vector<uint8_t> encodeEditBoxSettings(const EditBoxSettings&);
std::vector<uint8_t> encodeLabelSettings(const LabelSettings&);
std::vector<uint8_t> encodeButtonSettings(const ButtonSettings&);
std::vector<uint8_t> encodeCheckBoxSettings(const CheckBoxSettings&);  // emptyBlock -> no bytes
std::vector<uint8_t> encodeShapeSettings(const ShapeSettings&);
std::vector<uint8_t> encodeMaskedEditSettings(const MaskedEditSettings&);
std::vector<uint8_t> encodeDropTargetSettings(const DropTargetSettings&);

}  // namespace image
