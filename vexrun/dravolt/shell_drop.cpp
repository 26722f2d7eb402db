#include "vexrun/dravolt/shell_drop.h"

#include <shlobj.h>

#include <cstring>

namespace dravolt {

std::wstring firstDroppedFile(HDROP drop) {
    // A pointer that is no block of this process's heap has no size.
    const SIZE_T size = GlobalSize(drop);
    if (size < sizeof(DROPFILES) || size == SIZE_T(-1)) return {};
    const auto* block = static_cast<const char*>(GlobalLock(drop));
    if (!block) return {};
    DROPFILES header;
    std::memcpy(&header, block, sizeof header);
    std::wstring path;
    if (header.pFiles >= sizeof header && header.pFiles < size) {
        const char* first = block + header.pFiles;
        const size_t room = size - header.pFiles;
        if (header.fWide) {
            const size_t units = room / sizeof(wchar_t);
            std::wstring name(units, L'\0');
            std::memcpy(name.data(), first, units * sizeof(wchar_t));
            const size_t end = name.find(L'\0');
            if (end != std::wstring::npos) path = name.substr(0, end);
        } else if (const void* end = std::memchr(first, '\0', room)) {
            const int length = int(static_cast<const char*>(end) - first);
            const int n = MultiByteToWideChar(CP_ACP, 0, first, length, nullptr, 0);
            path.resize(size_t(n > 0 ? n : 0));
            if (n > 0) MultiByteToWideChar(CP_ACP, 0, first, length, path.data(), n);
        }
    }
    GlobalUnlock(drop);
    return path;
}

}  // namespace dravolt
