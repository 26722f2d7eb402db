// The executable's entry: find the kernel library, hand it the program image.
//
// The library beside the executable ("vexrun.vxr") always wins; only when it
// is missing or cannot be loaded is the recorded installation directory
// consulted for "vexrun.vxe". Every failure ends in the one message and exit
// status 255; the path is never shown.

#include <dlfcn.h>
#include <stdlib.h>

#include "launcher/embedded_image.h"
#include "launcher/failure_notice.h"
#include "launcher/install_record.h"
#include "launcher/library_file.h"
#include "launcher/launcher_texts.h"
#include "launcher/module_directory.h"
#include "launcher/path_buffer.h"

namespace launcher {
namespace {

// A file cut short is no library: the loader would crash on it.
void* loadLibrary(const char* path) {
    if (!libraryFileWhole(path)) return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

// The local library: the module directory and "vexrun.vxr". An executable
// whose directory cannot be told has no local library; a bare file name
// would make the loader search the system's library path.
void* loadLocalLibrary(char* path) {
    if (!moduleDirectory(path)) return nullptr;
    if (!appendText(path, kPathBufferSize, kLocalLibraryName)) return nullptr;
    return loadLibrary(path);
}

// The installed library: the recorded directory, '/' unless it ends in one,
// and "vexrun.vxe". A candidate that does not fit the path buffer cannot be
// loaded.
void* loadInstalledLibrary(char* path) {
    if (!readInstallPath(path, kRecordReadLimit)) return nullptr;
    if (!endWithSeparator(path, kPathBufferSize)) return nullptr;
    if (!appendText(path, kPathBufferSize, kInstalledLibraryName)) return nullptr;
    return loadLibrary(path);
}

// Returns only on failure; a run that the runtime hands back ends here with
// status 0.
int launch() {
    char path[kPathBufferSize];
    void* library = loadLocalLibrary(path);
    if (!library) library = loadInstalledLibrary(path);
    if (!library) {
        reportFailure();
        return kExitFailure;
    }

    auto obtainEntryHook = reinterpret_cast<vx::ObtainEntryHookFn>(dlsym(library, kEntryHookName));
    if (!obtainEntryHook) {
        dlclose(library);
        reportFailure();
        return kExitFailure;
    }
    const vx::RuntimeEntry entry = obtainEntryHook(kEntryHookArgument);
    if (!entry) {
        dlclose(library);
        reportFailure();
        return kExitFailure;
    }

    entry(tessaly_image);
    exit(kExitSuccess);
}

}  // namespace
}  // namespace launcher

int main() { exit(launcher::launch()); }
