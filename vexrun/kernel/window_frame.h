// A window's client size, alike on both window layers: the record gives the
// outer size of a window with a Windows frame (borders and the caption bar);
// the client is that less the frame, grown where a visible control would not
// fit.
#pragma once

#include <algorithm>

#include "image/window_record.h"

namespace vexrun {

// The frame of a Windows window of this kind.
constexpr int kFrameSide = 4;
constexpr int kFrameTop = 30;
constexpr int kFrameBottom = 4;
// Room kept to the right of and below the outermost control.
constexpr int kClientMargin = 4;

struct ClientSize {
    int width, height;  // at least 1 each
};

inline ClientSize clientSizeFor(const image::Window& window) {
    int width = 0, height = 0;
    if (!window.elements.empty()) {
        width = window.elements[0].width - 2 * kFrameSide;
        height = window.elements[0].height - kFrameTop - kFrameBottom;
    }
    for (size_t i = 1; i < window.elements.size(); ++i) {
        const image::Element& e = window.elements[i];
        if (!e.visible()) continue;
        width = std::max(width, e.left + e.width + kClientMargin);
        height = std::max(height, e.top + e.height + kClientMargin);
    }
    return ClientSize{std::max(width, 1), std::max(height, 1)};
}

}  // namespace vexrun
