// A stand-in kernel library for the launcher's tests. It reports on standard
// output which file was loaded (as the launcher named it), the argument its
// export received and what the runtime entry was handed, and on standard
// error when it is unloaded, so a test can tell whether the launcher
// released it before its message.
//   STAND_IN_MARKER      the name it reports under
//   STAND_IN_NO_EXPORT   no ObtainEntryHook at all
//   STAND_IN_ZERO_ENTRY  ObtainEntryHook returns 0

#include <stdint.h>
#include <stdio.h>

#include "runtime/vexrun_interface.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define STAND_IN_EXPORT extern "C" __declspec(dllexport)
#else
#include <dlfcn.h>
#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

#ifdef _WIN32
// The path the module was loaded from, as the launcher named it.
const char* loadedAs() {
    static char path[MAX_PATH + 1];
    HMODULE self = nullptr;
    static const int anchor = 0;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&anchor), &self) ||
        GetModuleFileNameA(self, path, sizeof path) == 0) {
        return "?";
    }
    return path;
}
#else
const char* loadedAs() {
    Dl_info info{};
    static const int anchor = 0;
    if (dladdr(&anchor, &info) == 0 || !info.dli_fname) return "?";
    return info.dli_fname;
}
#endif

[[maybe_unused]] void runtimeEntry(const uint8_t* image) {
    printf("%s entry image=%p bytes=%02x %02x %02x %02x\n", STAND_IN_MARKER,
           static_cast<const void*>(image), image[0], image[1], image[2], image[3]);
    fflush(stdout);
}

__attribute__((constructor)) void loaded() {
#ifdef _WIN32
    // Lines as written, without CR.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    printf("%s loaded %s\n", STAND_IN_MARKER, loadedAs());
    fflush(stdout);
}

__attribute__((destructor)) void unloaded() { fprintf(stderr, "%s unloaded\n", STAND_IN_MARKER); }

}  // namespace

#ifndef STAND_IN_NO_EXPORT
STAND_IN_EXPORT vx::RuntimeEntry ObtainEntryHook(int32_t selector) {
    printf("%s hook %d\n", STAND_IN_MARKER, selector);
    fflush(stdout);
#ifdef STAND_IN_ZERO_ENTRY
    return nullptr;
#else
    return runtimeEntry;
#endif
}
#endif
