// The drag-and-drop library "dravolt" on Windows: the drop target object
// (kind 1, never shown, takes no space) and command 0, which makes the control
// behind a window handle the drop zone of a drop target object through the
// shell's file drop (DragAcceptFiles, WM_DROPFILES). A drop of a readable
// regular file goes to the kernel library with the file's path in UTF-8 (the
// kernel library opens paths as UTF-8), which reads it and raises the drop
// target's event 3 for a text (or says why not); anything else (a folder, a
// file that cannot be read or has gone, a drop handle that is not this
// process's) is refused.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <map>
#include <string>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"
#include "vexrun/dravolt/drop_target_call.h"
#include "vexrun/dravolt/shell_drop.h"
#include "vexrun/kernel/win32/win32_windowing.h"

namespace {

constexpr UINT_PTR kDropSubclass = 0xD809;

vexrun::win32::ControlHost* gHost = nullptr;

class DropTargetControl : public vexrun::win32::Control {
public:
    HWND window() const override { return nullptr; }
    vexrun::PropertyType propertyType(uint32_t) const override { return vexrun::PropertyType::Unknown; }
};

vexrun::win32::Control* createDropTarget(const vexrun::win32::ControlContext&, std::string&) {
    return new DropTargetControl;
}

// The window and element a zone raises its event for (the subclass's data).
struct Zone {
    uint32_t windowId;
    uint32_t dropTargetId;
};
std::map<HWND, Zone*> gZones;

bool isReadableRegularFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    // A file another program holds under a byte-range lock opens but cannot be
    // read: the kernel library's read says so.
    const bool ok = GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return ok;
}

std::string utf8(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

LRESULT CALLBACK zoneProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (message == WM_DROPFILES) {
        HDROP drop = reinterpret_cast<HDROP>(wp);
        const std::wstring path = dravolt::firstDroppedFile(drop);
        DragFinish(drop);
        const auto* zone = reinterpret_cast<const Zone*>(data);
        if (!path.empty() && isReadableRegularFile(path) && gHost) {
            try {
                gHost->fileDropped(zone->windowId, zone->dropTargetId, window, utf8(path));
            } catch (...) {
                gHost->fail("dravolt: a dropped file could not be handed on");
            }
        }
        return 0;
    }
    if (message == WM_NCDESTROY) {
        gZones.erase(window);
        delete reinterpret_cast<Zone*>(data);
        RemoveWindowSubclass(window, zoneProc, kDropSubclass);
    }
    return DefSubclassProc(window, message, wp, lp);
}

// Command 0 (drop target object, window handle) -> 1 when the zone is set. A
// window has one zone; making it again replaces the target.
uint64_t registerDropTarget(const vx::ArgListHeader* args) {
    const auto call = dravolt::dropTargetCall(gHost, args, [](int32_t h) { return gHost->windowForHandle(h); });
    if (!call) return 0;
    HWND window = call->control;
    const vx::ArgRecord* target = call->target;
    if (auto it = gZones.find(window); it != gZones.end()) {
        *it->second = Zone{target->value, target->high};
    } else {
        auto* zone = new Zone{target->value, target->high};
        gZones[window] = zone;
        SetWindowSubclass(window, zoneProc, kDropSubclass, reinterpret_cast<DWORD_PTR>(zone));
    }
    DragAcceptFiles(window, TRUE);
    gHost->dropZoneMade(target->value, target->high, window);
    return 1;
}

uint64_t dravoltCommand(uint32_t number, const vx::ArgListHeader* args) {
    if (number == vx::kDravoltRegisterDropTarget) return registerDropTarget(args);
    return 0;
}

void attach(vexrun::win32::ControlHost* host) { gHost = host; }

const vexrun::win32::ControlKind kKinds[] = {
    {vx::kindNumber(vx::kKindDropTarget), "drop target object", &createDropTarget},
};
const vexrun::win32::Windowing kWindowing = {vexrun::win32::kWindowingAbi, kKinds, 1, &attach};
const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "dravolt", 1, &dravoltCommand, &kWindowing};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() { return &kLibrary; }
