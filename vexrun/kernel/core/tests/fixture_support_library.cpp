// A support library for the loader tests: "coretest", two commands.
//   0 (integer n)   -> n + 1
//   1 (...)         -> the number of arguments
#include "vexrun/kernel/support_library.h"

namespace {

uint64_t command(uint32_t number, const vx::ArgListHeader* args) {
    if (number == 0) return vx::argAt(args, 0)->value + 1u;
    return args->count;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "coretest", 2, command, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
