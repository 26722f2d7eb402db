#include "retime/window_words.h"

#include <string_view>

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
    std::string line = "in the window: tick " + caption(kModeBoxes[window.segments]) + " and " +
                       caption(kAlignStartBox) + "; type " + window.ratio + " into " + caption(kCustomRatioLabel) +
                       (window.useRatioRows.size() == 1 ? "; tick the box beside" : "; tick the boxes beside");
    for (std::size_t k = 0; k < window.useRatioRows.size(); ++k) {
        line += (k == 0 ? " " : k + 1 == window.useRatioRows.size() ? " and " : ", ") +
                caption(kSourceLabels[window.useRatioRows[k]]);
    }
    line += "; type";
    for (std::size_t k = 0; k < window.points.size(); ++k) {
        const WindowPoint& p = window.points[k];
        line += std::string(k == 0 ? " " : ", ") + caption(kSourceLabels[p.row]) + " " + standardTimeText(p.source) +
                " and " + caption(kTargetLabels[p.row]) + " " + standardTimeText(p.target);
    }
    return line + "; press " + caption(kAdjustButton);
}

}  // namespace retime
