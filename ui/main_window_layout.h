// The main window's layout as data: the window and its 54 controls with their
// positions, captions, initial texts, states, kind-specific settings and event
// bindings. The image builder (builder/) turns this into the window record of
// the "form" section; nothing at run time reads this table, the runtime reads
// the record.
//
// Texts here are UTF-8; the record writer stores them as GBK.
#pragma once

#include <stdint.h>

#include <span>
#include <string_view>

namespace ui {

// State flags as the record stores them.
enum StateFlag : uint32_t {
    kVisible = 1u << 0,
    kDisabled = 1u << 1,
    kTabStop = 1u << 2,
};

// An event binding: event number and the name of the extern "C" handler
// routine in the program's code (the builder looks up its code offset).
struct Binding {
    int32_t event;
    std::string_view handler;
};

// Kind-specific settings. Only the fields of the element's kind are used; the
// rest keep their defaults. Colours are stored values (RGB with red in the low
// byte, 0xFF000000 for the kind's default, 0xFF000000 + index for a system
// colour).
struct ControlLayout {
    std::string_view name;  // `编辑框1`; empty for the window
    uint32_t id;            // control id, or the window element id
    uint32_t kind;          // kind word
    int32_t left, top, width, height;
    uint32_t state;         // StateFlag bits
    std::string_view text;  // caption, initial text (edit box, masked box), window caption;
                            // a masked box's initial text is its blank form, "  :  :  ,   "
    Binding bindings[2];    // up to two, in stored order
    int bindingCount;

    // edit box
    bool multiLine = false;
    uint32_t scrollBars = 0;       // bit 0 horizontal, bit 1 vertical
    bool resultBoxSettings = false;  // the calculator result box's three differing settings
    // label
    uint32_t textColour = 0;
    bool hintLabelSetting = false;   // the setting at offset 64 that only `标签18` has
    // check box
    bool emptyExtension = false;     // the four segment ratio boxes: no block at all
    bool checked = false;
    // shape box
    uint32_t shape = 0;              // 6 horizontal line, 7 vertical line
    uint32_t lineColour = 0;
    // masked edit box
    std::string_view mask;           // "00:00:00,000;1;0"
    uint32_t maskedSetting = 3;      // the setting at 13 + n: 3, or 5 in the calculator operands
};

// The window element first, then the 54 controls in stored element order.
std::span<const ControlLayout> mainWindowLayout();

// The window's own stored values that are not per control.
constexpr uint32_t kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 882, kWindowHeight = 607;
constexpr std::string_view kWindowCaption = "Tessaly-初版";
constexpr std::string_view kWindowNameText = "Tessalyw";  // the window's 8-letter name text

// The usage text shown in the output box at start-up (UTF-8, CR LF lines).
std::string_view usageText();

}  // namespace ui
