// Reading the shell's file drop (the HDROP of WM_DROPFILES) within the
// drop's own memory block.
#pragma once

#include <windows.h>

#include <string>

namespace dravolt {

// The first file of the drop; empty when the handle is no DROPFILES block of
// this process (Wine's virtual desktop posts drops made in another process's
// memory), or its file list runs past the block's end.
std::wstring firstDroppedFile(HDROP drop);

}  // namespace dravolt
