// Runtime services 2 and 3.
#include "vexrun/kernel/core/services.h"

#include <string.h>

#include <string>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/process_end.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {
namespace {

// Every list block the program holds was made by our allocator and may be
// rewritten and reallocated as it is; only a variable without a block needs
// one.
uint64_t makeListWritable(uint64_t elementWidth, uint64_t variableAddress) {
    if (elementWidth != 4 && elementWidth != 8) {
        fatalError("service 2: list element width " + std::to_string(elementWidth) + " is neither 4 nor 8");
    }
    if (!variableAddress) fatalError("service 2: the list variable's address is 0");
    auto* variable = reinterpret_cast<void**>(variableAddress);
    void* list;
    memcpy(&list, variable, sizeof list);
    if (!list) {
        list = allocateBlock(8);
        const uint32_t empty[2] = {1, 0};
        memcpy(list, empty, 8);
        memcpy(variable, &list, sizeof list);
    }
    return 0;
}

}  // namespace

uint64_t callService(uint32_t number, uint64_t a, uint64_t b) noexcept {
    switch (number) {
        case 2: return makeListWritable(a, b);
        case 3:
            if (!a) fatalError("service 3: the exit routine's address is 0");
            registerExitRoutine(reinterpret_cast<ExitRoutine>(a));
            return 0;
        default: fatalError("unknown runtime service " + std::to_string(number));
    }
}

}  // namespace vexrun
