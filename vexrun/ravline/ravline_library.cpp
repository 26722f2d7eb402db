// The multithreading library "Ravline": command 0 (subroutine address, two
// omitted arguments) starts a detached thread running the routine at that
// address and gives non-zero when the thread started.
#include <pthread.h>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

using Routine = uint64_t(VX_IMAGE_CALL*)();  // image code

void* runRoutine(void* routine) {
    reinterpret_cast<Routine>(routine)();
    return nullptr;
}

uint64_t startThread(const vx::ArgListHeader* args) {
    if (!args || args->count < 1) return 0;
    const vx::ArgRecord* a = vx::argAt(args, 0);
    const uint64_t address = (uint64_t(a->high) << 32) | a->value;
    if (address == 0) return 0;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return 0;
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int rc = pthread_create(&thread, &attr, &runRoutine, reinterpret_cast<void*>(address));
    pthread_attr_destroy(&attr);
    return rc == 0 ? 1 : 0;
}

uint64_t ravlineCommand(uint32_t number, const vx::ArgListHeader* args) {
    return number == vx::kRavlineStartThread ? startThread(args) : 0;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "Ravline", 1, &ravlineCommand, nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
