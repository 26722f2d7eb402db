#include "vexrun/kernel/win32/window_picture.h"

#include <stdint.h>

#include <vector>

#include "vexrun/kernel/win32/png_file.h"

namespace vexrun::win32 {

std::wstring screenshotPathFromEnvironment() {
    const DWORD n = GetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", nullptr, 0);
    if (n == 0) return {};
    std::wstring path(n, L'\0');
    path.resize(GetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", path.data(), n));
    return path;
}

bool saveWindowPicture(HWND top, const std::wstring& path) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r{};
    GetWindowRect(top, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetWindowDC(top);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; px && i < size_t(width) * size_t(height); ++i) {
        rgb[3 * i] = px[4 * i + 2];
        rgb[3 * i + 1] = px[4 * i + 1];
        rgb[3 * i + 2] = px[4 * i];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(top, screen);
    return writePng(path, width, height, rgb);
}

}  // namespace vexrun::win32
