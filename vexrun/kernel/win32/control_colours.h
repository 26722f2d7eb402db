// How the main window answers its controls' WM_CTLCOLOR* questions: each
// control's own colours, else the system's, with the window's background
// behind labels, buttons and check boxes. The brushes live as long as the
// window layer.
#pragma once

#include <windows.h>

#include <map>

#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

class ControlColouring {
public:
    ControlColouring() = default;
    ControlColouring(const ControlColouring&) = delete;
    ControlColouring& operator=(const ControlColouring&) = delete;

    // The brush the message asks for: `message` a WM_CTLCOLOR* message for
    // the window `child` (its control `control`, or nullptr) drawing on `dc`;
    // `windowBackground` the main window's own brush, or nullptr.
    LRESULT answer(UINT message, HDC dc, HWND child, const Control* control, HBRUSH windowBackground);

private:
    std::map<COLORREF, HBRUSH> brushes_;
};

}  // namespace vexrun::win32
