// The entry routine the kernel library calls after loading the image, the
// set-up and release of the program-level variables, and the start-up
// subroutine.
#include "runtime/entry_routine.h"

#include "image/const_table.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"

namespace {

// A fresh empty list: 8 bytes copied from the constant empty block (1, 0).
prog::List newEmptyList() {
    auto* block = static_cast<prog::List>(vxAllocate(8));
    __builtin_memcpy(block, prog::constAt(image::kConstEmptyBlock), 8);
    return block;
}

// The subroutine the start-up subroutine runs: it does nothing, but it is
// called.
__attribute__((noinline)) void emptySubroutine() { __asm__ volatile(""); }

}  // namespace

extern "C" {

void vxEntryRoutine() {
    // Strings forward; x87 in its initial state; SSE rounding to nearest
    // with every exception masked, so that a division by zero gives an
    // infinity and nothing traps.
    uint32_t mxcsr = 0x1F80;
    __asm__ volatile("cld\n\tfninit\n\tldmxcsr %0" : : "m"(mxcsr) : "memory");

    setUpGlobals();
    vxService(vx::kServiceRegisterExitRoutine, VX_CODE_ADDR(releaseGlobals), 0);
    startUpSubroutine();
    vxLoadWindow(VX_ID(52010001));
    vxRunMessageLoop(0);
    vxEndProcess(0);
}

void setUpGlobals() {
    prog::ProgramVariables* v = prog::vars();
    v->startList = newEmptyList();
    v->endList = newEmptyList();
    v->tailList = newEmptyList();
}

void releaseGlobals() {
    prog::ProgramVariables* v = prog::vars();
    // The lists always hold a block: setUpGlobals gave each one.
    vxFree(v->startList);
    vxFree(v->endList);
    prog::List tails = v->tailList;
    uint8_t* first;
    int32_t count = prog::elementCountOfBlock(tails, &first);
    auto* element = reinterpret_cast<prog::AddressElement*>(first);
    for (int32_t i = 0; i < count; ++i) {
        if (element[i]) vxFree(element[i]);
    }
    vxFree(tails);
    if (v->inputBytes) vxFree(v->inputBytes);
    if (v->outputBytes) vxFree(v->outputBytes);
}

int32_t startUpSubroutine() {
    emptySubroutine();
    return 0;
}

}  // extern "C"
