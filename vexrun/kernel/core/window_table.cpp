#include "vexrun/kernel/core/window_table.h"

#include <cstdio>

namespace vexrun {

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

WindowToBuild windowToBuild(std::optional<image::WindowRecord>& record, std::span<const uint8_t> form,
                            uint32_t windowId) {
    if (!record) {
        image::RecordError error;
        record = image::readWindowRecord(form, error);
        if (!record) fatalError("the window record cannot be read: " + error.message);
    }
    const image::Window* window = record->window(windowId);
    if (!window) fatalError("the window record has no window " + hex32(windowId));
    if (window->elements.empty() || window->elements[0].kind != vx::kKindWindow) {
        fatalError("window " + hex32(windowId) + " of the window record does not start with its window element");
    }
    const image::Element& self = window->elements[0];
    auto settings = image::decodeWindowSettings(self.extension);
    if (!settings) fatalError("the settings of window " + hex32(windowId) + " cannot be read");
    return {window, &self, std::move(*settings)};
}

}  // namespace vexrun
