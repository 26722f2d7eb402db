#include "vexrun/synvox/sync_messages.h"

#include <cstdio>

#include "align/frame_rates.h"
#include "vexrun/kernel/core/file_reading.h"

namespace synvox {
namespace {

std::string percent(int32_t part, int32_t whole) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", whole > 0 ? 100.0 * part / whole : 0.0);
    return buffer;
}

// The command that aligns with more pieces than the window has.
std::string commandFor(const std::string& path) {
    return "tessaly-retime --reference \"" + vexrun::fileNameForMessage(path) + "\" 旧字幕 新字幕";
}

}  // namespace

std::string referenceName(const std::string& path, bool film) {
    return std::string(film ? "影片" : "参考字幕") + "“" + vexrun::fileNameForMessage(path) + "”";
}

std::string captionText() { return "自动对齐"; }

std::string readingStatus(const std::string& path, bool film) {
    return film ? "正在读取" + referenceName(path, true) + "的声音…" : "正在读取" + referenceName(path, false) + "…";
}

std::string aligningStatus() { return "正在对齐字幕…"; }

std::string filledVerdict(const std::string& reference, const align::Alignment& found, bool film) {
    std::string ratio = "比率 " + align::exactDecimal(found.chosen.ratio);
    if (!found.chosen.name.empty()) {
        std::string pair = found.chosen.name;
        pair.replace(pair.find(" -> "), 4, " → ");
        ratio += "（帧率 " + pair + "）";
    } else {
        ratio += found.freeRatio ? "（缓慢漂移，不是帧率之差）" : "（帧率相同）";
    }
    const std::string where = film ? "在影片的语音里" : "在参考字幕里";
    std::string text = found.unchanged ? "字幕本来就与" + reference + "同步。" : "已按" + reference + "自动对齐：";
    text += ratio + "，分 " + std::to_string(found.pieces.size()) + " 段；" + std::to_string(found.partnered) + " / " +
            std::to_string(found.cues) + " 句字幕" + where + "找到了对应（" + percent(found.partnered, found.cues) +
            "），" + std::to_string(found.withEvidence) + " 句有确切的佐证（" +
            percent(found.withEvidence, found.cues) + "）。";
    return text + "各参考点已填好并已调节；改动某一点后可以再按“调节”。";
}

std::string cannotRead(const std::string& reference, const std::string& error) {
    return "读不了" + reference + "，什么也没有填。（" + error + "）";
}

std::string noSubtitle() { return "字幕框里没有认得的时间行，没有可以对齐的字幕，什么也没有填。"; }

std::string noFrameRate() { return "字幕框里的MicroDVD字幕缺少首行{1}{1}帧率，没法换算成时间来对齐，什么也没有填。"; }

std::string tooLittleInCommon(const std::string& reference, const align::Alignment& found) {
    return reference + "和字幕框里的字幕共同之处太少（" + std::to_string(found.partnered) + " / " +
           std::to_string(found.cues) + " 句找到对应），像是另一部影片或另一集，什么也没有填。";
}

std::string needsMorePieces(std::size_t pieces, const std::string& path) {
    return "要分 " + std::to_string(pieces) + " 段才对得上（新版有多处加入或剪掉的场景），本窗口最多分 4 段，"
           "什么也没有填。请用命令行：" + commandFor(path);
}

std::string unsure(const std::string& reference) {
    return "按" + reference + "对齐没有把握：另一种对齐方式同样说得通，什么也没有填。"
           "可以手工取几个参考点调节，或用命令行 tessaly-retime --reference 查看详情。";
}

std::string windowCannot(const std::string& path) {
    return "对齐结果在本窗口的时间框里写不出来（有目标时间早于 0），什么也没有填。请用命令行：" + commandFor(path);
}

}  // namespace synvox
