// The entry routine the kernel library calls after loading the image, the
// set-up and release of the program-level variables, and the start-up
// subroutine.
#include "runtime/entry_routine.h"

#include "runtime/const_table.h"
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
    // Ending the process does not come back; should it all the same, the
    // entry routine returns rather than run into the code behind it (a
    // plain call of the never-returning slot would be followed by nothing).
    int32_t exitCode = 0;
    __asm__ volatile("call vxEndProcess@PLT"
                     : "+D"(exitCode)
                     :
                     : "rax", "rcx", "rdx", "rsi", "r8", "r9", "r10", "r11", "xmm0", "xmm1", "xmm2", "xmm3",
                       "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13",
                       "xmm14", "xmm15", "memory", "cc");
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

__attribute__((noinline)) int32_t startUpSubroutine() {
    emptySubroutine();
    return 0;
}

}  // extern "C"
