#include "retime/window_words.h"

#include <string_view>

#include "retime/messages.h"
#include "retime/retime_warnings.h"
#include "ui/main_window_layout.h"

namespace retime {
namespace {

// The controls the words name, by their names in the layout.
constexpr std::string_view kModeBoxes[] = {"", "选择框1", "选择框2", "", "选择框3"};  // by segment count
constexpr std::string_view kAlignStartBox = "选择框9";
constexpr std::string_view kCustomRatioLabel = "标签11";
constexpr std::string_view kSourceLabels[] = {"标签1", "标签2", "标签3", "标签4", "标签5"};  // by row
constexpr std::string_view kTargetLabels[] = {"标签6", "标签7", "标签8", "标签9", "标签10"};
constexpr std::string_view kAdjustButton = "按钮1";

// A control's caption, quoted as the window shows it.
std::string caption(std::string_view name) {
    for (const ui::ControlLayout& c : ui::mainWindowLayout()) {
        if (c.name == name) return "\"" + std::string(c.text) + "\"";
    }
    return "?";
}

}  // namespace

std::string windowWords(const WindowOptions& window) {
    std::string boxes;
    for (std::size_t k = 0; k < window.useRatioRows.size(); ++k) {
        const std::string box = caption(kSourceLabels[window.useRatioRows[k]]);
        boxes = k == 0                                  ? box
                : k + 1 == window.useRatioRows.size() ? say("%s and %s", {boxes, box})
                                                        : say("%s, %s", {boxes, box});
    }
    std::string points;
    for (std::size_t k = 0; k < window.points.size(); ++k) {
        const WindowPoint& p = window.points[k];
        const std::string point = say("%s %s and %s %s", {caption(kSourceLabels[p.row]), standardTimeText(p.source),
                                                          caption(kTargetLabels[p.row]), standardTimeText(p.target)});
        points = k == 0 ? point : say("%s, %s", {points, point});
    }
    return sayCount("in the window: tick %s and %s; type %s into %s; tick the box beside %s; type %s; press %s",
                    "in the window: tick %s and %s; type %s into %s; tick the boxes beside %s; type %s; press %s",
                    window.useRatioRows.size(),
                    {caption(kModeBoxes[window.segments]), caption(kAlignStartBox), window.ratio,
                     caption(kCustomRatioLabel), boxes, points, caption(kAdjustButton)});
}

}  // namespace retime
