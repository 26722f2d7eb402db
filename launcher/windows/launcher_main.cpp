// The executable's entry on Windows: find the kernel library, hand it the
// program image.
//
// The library beside the executable ("vexrun.vxr") always wins; only when it
// is missing or cannot be loaded is the installation directory recorded in
// the registry consulted for "vexrun.vxe". Every failure ends in the one
// message box and exit code -1; the path is never shown.

#include <windows.h>

#include "launcher/embedded_image.h"
#include "launcher/launcher_texts.h"

namespace launcher {
namespace {

// The directory of the executable with its trailing backslash. The path is
// read with 128 characters at most; a longer one comes back cut (without a
// NUL on older systems) and the directory is taken from the cut text: the
// last backslash at or before its sixth-last character. False, with an
// empty text, when there is none.
bool moduleDirectory(char* path) {
    const long length = static_cast<long>(GetModuleFileNameA(nullptr, path, kModulePathLimit));
    for (long i = length - static_cast<long>(kFileNameReserve); i >= 0; --i) {
        if (path[i] == '\\') {
            path[i + 1] = '\0';
            return true;
        }
    }
    path[0] = '\0';
    return false;
}

// The local library: the module directory and "vexrun.vxr". An executable
// whose directory cannot be told has no local library; a bare file name
// would make the loader search the system's library path.
HMODULE loadLocalLibrary(char* path) {
    if (!moduleDirectory(path)) return nullptr;
    lstrcatA(path, kLocalLibraryName);  // at most 123 + 10 characters
    return LoadLibraryA(path);
}

// The installed library: the "Path" value, a backslash unless it ends in
// one, and "vexrun.vxe". A candidate that does not fit the path buffer
// cannot be loaded.
HMODULE loadInstalledLibrary(char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, kInstallKeyAccess, &key) != ERROR_SUCCESS) return nullptr;
    DWORD size = kRecordReadLimit;
    const LONG read = RegQueryValueExA(key, kInstallValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return nullptr;
    // A value stored without its NUL is ended here.
    path[size < kRecordReadLimit ? size : kRecordReadLimit] = '\0';

    size_t length = static_cast<size_t>(lstrlenA(path));
    if (length == 0 || path[length - 1] != '\\') {
        if (length + 1 >= kPathBufferSize) return nullptr;
        lstrcatA(path, "\\");
        ++length;
    }
    if (length + sizeof kInstalledLibraryName > kPathBufferSize) return nullptr;
    lstrcatA(path, kInstalledLibraryName);
    return LoadLibraryA(path);
}

int fail() {
    MessageBoxA(nullptr, kFailureText, kFailureCaption, kFailureStyle);
    return kExitFailure;
}

// Returns only on failure; a run that the runtime hands back ends here with
// exit code 0.
int launch() {
    char path[kPathBufferSize];
    HMODULE library = loadLocalLibrary(path);
    if (!library) library = loadInstalledLibrary(path);
    if (!library) return fail();

    auto obtainEntryHook =
        reinterpret_cast<vx::ObtainEntryHookFn>(reinterpret_cast<void*>(GetProcAddress(library, kEntryHookName)));
    if (!obtainEntryHook) {
        FreeLibrary(library);
        return fail();
    }
    const vx::RuntimeEntry entry = obtainEntryHook(kEntryHookArgument);
    if (!entry) {
        FreeLibrary(library);
        return fail();
    }

    entry(tessaly_image);
    ExitProcess(kExitSuccess);
}

}  // namespace
}  // namespace launcher

int main() { ExitProcess(static_cast<UINT>(launcher::launch())); }
