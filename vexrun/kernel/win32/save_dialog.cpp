#include "vexrun/kernel/win32/save_dialog.h"

#include <commdlg.h>

#include <algorithm>

#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {

std::string askSaveFileName(HWND owner, const std::string& proposed) {
    std::u16string file = text::decode(proposed, text::Encoding::Utf8);
    std::u16string folder;
    if (const size_t cut = file.find_last_of(u"\\/"); cut != std::u16string::npos) {
        folder = file.substr(0, cut);
        file = file.substr(cut + 1);
    }
    std::u16string buffer = file;
    buffer.resize(std::max<size_t>(buffer.size() + 1, 32768), u'\0');
    static const char16_t kFilter[] = u"字幕文件 (*.srt;*.ass;*.ssa;*.vtt;*.sub;*.txt)\0*.srt;*.ass;*.ssa;*.vtt;*.sub;*.txt\0所有文件 (*.*)\0*.*\0";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = reinterpret_cast<const wchar_t*>(kFilter);
    dialog.lpstrFile = reinterpret_cast<wchar_t*>(buffer.data());
    dialog.nMaxFile = DWORD(buffer.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : wide(folder);
    dialog.lpstrTitle = L"另存为";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) return {};
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    return text::encode(buffer, text::Encoding::Utf8);
}

}  // namespace vexrun::win32
