// A stand-in for one of the program's support libraries (its name comes from
// STUB_LIBRARY_NAME): every command is accepted, announced on standard error
// and answers 0. Lets the real image run under the core without the window
// layer.
#include <stdio.h>

#include "vexrun/kernel/support_library.h"

namespace {

uint64_t command(uint32_t number, const vx::ArgListHeader* args) {
    fprintf(stderr, "[%s %u/%u]\n", STUB_LIBRARY_NAME, number, args ? args->count : 0);
    return 0;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, STUB_LIBRARY_NAME, 8, command, nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
