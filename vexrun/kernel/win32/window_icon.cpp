#include "vexrun/kernel/win32/window_icon.h"

#include <vector>

#include "vexrun/kernel/icon_file.h"

namespace vexrun::win32 {
namespace {

// The icon of the image nearest `pixels` (a bitmap or PNG image, as the
// system reads both).
HICON iconNearest(std::span<const IconImage> images, int pixels) {
    const IconImage* image = nearestIconImage(images, pixels);
    if (!image) return nullptr;
    return CreateIconFromResourceEx(const_cast<uint8_t*>(image->bytes.data()), DWORD(image->bytes.size()), TRUE,
                                    0x00030000, pixels, pixels, LR_DEFAULTCOLOR);
}

}  // namespace

bool setWindowIcon(HWND window, std::span<const uint8_t> ico, std::string& error) {
    const std::vector<IconImage> images = iconImages(ico, error);
    HICON big = iconNearest(images, GetSystemMetrics(SM_CXICON));
    HICON small = iconNearest(images, GetSystemMetrics(SM_CXSMICON));
    if (!big && error.empty()) error = "the system cannot read its image";
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));
    return big != nullptr;
}

}  // namespace vexrun::win32
