// The special-functions library "ulmix": command 7 (milliseconds) waits that
// long on the calling thread and returns. No other command is used.
#include <errno.h>
#include <time.h>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/support_library.h"

namespace {

void waitMilliseconds(int32_t ms) {
    if (ms <= 0) return;
    struct timespec left = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

uint64_t ulmixCommand(uint32_t number, const vx::ArgListHeader* args) {
    if (number != vx::kUlmixWait) return 0;
    if (args && args->count >= 1) waitMilliseconds(static_cast<int32_t>(vx::argAt(args, 0)->value));
    return 0;
}

const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "ulmix", vx::kUlmixWait + 1, &ulmixCommand,
                                         nullptr};

}  // namespace

VEXRUN_EXPORT const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
