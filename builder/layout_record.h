// Making a window record from layout data (ui/main_window_layout.h): the
// common part of every element, its extension block with the stored value of
// every setting, and its event bindings with the handlers' code offsets.
#pragma once

#include <stdint.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/window_record.h"
#include "ui/main_window_layout.h"

namespace image {

// Stored values of the record that nothing in the program refers to.
constexpr uint32_t kWindowTableValue = 0x01EF63E0u;  // after the window id
constexpr uint32_t kWindowBodyValue = 0x00216A10u;   // the body's first u32
constexpr uint32_t kWindowBodyId = 0x19010006u;      // the body's further id

// The font the masked boxes store.
constexpr std::string_view kMaskedBoxFontFace = "MS Sans Serif";
constexpr int32_t kMaskedBoxFontHeight = -13;
constexpr int32_t kMaskedBoxFontWeight = 400;
constexpr uint8_t kMaskedBoxFontCharSet = 1;

struct WindowExtras {
    uint32_t windowId = 0;
    std::string_view nameText;   // the window's 8-letter name text
    std::vector<uint8_t> icon;   // a complete ICO file
};

// The code offset of a handler routine by name, or nullopt when the program
// does not define it.
using HandlerLookup = std::function<std::optional<uint32_t>(std::string_view routine)>;

// Element 0 of `layout` is the window, the rest are its controls in stored
// order. Texts of the layout are UTF-8 and are stored as GBK.
std::optional<WindowRecord> recordFromLayout(std::span<const ui::ControlLayout> layout, const WindowExtras& extras,
                                             const HandlerLookup& handlers, std::string& error);

}  // namespace image
