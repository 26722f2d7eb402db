// What the Win32 layer offers the headless driver (driver_access.h): the
// message boxes it kept, the window and its controls by name, their state,
// and the window's picture.
#include <utility>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/win32_backend.h"
#include "vexrun/kernel/win32/window_picture.h"

namespace vexrun::win32 {

std::vector<std::string> Win32Backend::takeMessages() { return std::exchange(messages_, {}); }

HWND Win32Backend::mainWindow() const { return windows_.empty() ? nullptr : windows_.first()->window; }

Control* Win32Backend::controlByName(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->controls[index].get() : nullptr;
}

std::string Win32Backend::kindOf(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->kindNames[index] : std::string();
}

bool Win32Backend::isEnabled(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    const Control* c = w ? w->controls[index].get() : nullptr;
    if (!c || !c->window()) return false;
    const image::Element& e = w->record->elements[index];
    if (e.kind == vx::kKindLabel) return !e.disabled();
    return IsWindowEnabled(c->window()) != 0;
}

bool Win32Backend::saveShot(const std::wstring& path) {
    HWND top = mainWindow();
    return top && saveWindowPicture(top, path);
}

}  // namespace vexrun::win32
