#include "vexrun/kernel/core/text_saving.h"

#include <unistd.h>

#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/utf16_text.h"
#include "vexrun/kernel/text/text_encoding.h"

namespace vexrun {
namespace {

constexpr std::string_view kSeparators = platform::kPathSeparator == '\\' ? std::string_view("\\/") : "/";

}  // namespace

std::string proposedSavePath(const std::optional<SourceFile>& source, std::string_view homeFolder) {
    if (!source) {
        std::string path(homeFolder);
        if (!path.empty() && kSeparators.find(path.back()) == std::string_view::npos) path += platform::kPathSeparator;
        return path + std::string(kUnsourcedSaveName);
    }
    const std::string& p = source->path;
    const size_t nameStart = p.find_last_of(kSeparators) == std::string::npos ? 0 : p.find_last_of(kSeparators) + 1;
    const size_t dot = p.rfind('.');
    // A dot that starts the name (".srt") is part of the name.
    if (dot == std::string::npos || dot <= nameStart) return p + ".retimed";
    return p.substr(0, dot) + ".retimed" + p.substr(dot);
}

std::string bytesToSave(std::string_view boxBytes, const std::optional<SourceFile>& source) {
    if (!source) return text::encode(text::decode(boxBytes), text::Encoding::Utf8);
    switch (source->form) {
        case TextForm::Bytes: return std::string(boxBytes);
        case TextForm::Utf16LeMarked: return "\xFF\xFE" + utf8ToUtf16(boxBytes, Utf16Order::LittleEndian);
        case TextForm::Utf16BeMarked: return "\xFE\xFF" + utf8ToUtf16(boxBytes, Utf16Order::BigEndian);
        case TextForm::Utf16Le: return utf8ToUtf16(boxBytes, Utf16Order::LittleEndian);
        case TextForm::Utf16Be: return utf8ToUtf16(boxBytes, Utf16Order::BigEndian);
    }
    return std::string(boxBytes);
}

std::optional<std::string> writeWholeFile(std::string_view path, std::string_view bytes) {
    const std::string target(path);
    const std::string temporary = target + ".saving";
    const std::string cannot = "没能保存“" + fileNameForMessage(path) + "”：";
    const int fd = platform::openFileForWriting(temporary);
    if (fd < 0) return cannot + "无法在这个文件夹里写文件。";
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    const bool closed = ::close(fd) == 0;
    if (done < bytes.size() || !closed) {
        platform::removeFile(temporary);
        return cannot + "写入出错（磁盘满了？）。";
    }
    if (!platform::replaceFile(temporary, target)) {
        platform::removeFile(temporary);
        return cannot + "无法替换这个文件。";
    }
    return std::nullopt;
}

std::optional<std::string> saveBoxText(std::string_view path, std::string_view boxBytes) {
    return writeWholeFile(path, bytesToSave(boxBytes, droppedSource()));
}

std::string proposedSavePathNow() { return proposedSavePath(droppedSource(), platform::homeFolder()); }

}  // namespace vexrun
