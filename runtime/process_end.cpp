// Ending the own process from the thread started when the window goes away:
// terminateProcessById over the kernel32 DLL commands, the thread routine,
// and the subroutine wrapper the thread library calls.
#include "runtime/process_end.h"

#include "runtime/kernel_calls.h"

namespace prog {

bool terminateProcessById(bool idGiven, uint32_t id) {
    if (!idGiven) id = static_cast<uint32_t>(callDllCommand(VX_DLL(2), 0, 0, 0));  // GetCurrentProcessId
    constexpr uint64_t kTerminateRight = 1;
    uint64_t handle = callDllCommand(VX_DLL(0), kTerminateRight, 0, id);  // OpenProcess
    // When OpenProcess failed, TerminateProcess gets the handle 0 and fails.
    uint64_t done = callDllCommand(VX_DLL(1), handle, 0, 0);  // TerminateProcess, exit code 0
    return static_cast<uint32_t>(done) == 1;
}

static_assert(vx::kDllOpenProcess == 0 && vx::kDllTerminateProcess == 1 && vx::kDllGetCurrentProcessId == 2,
              "DLL-command indices written as identifier immediates above");

}  // namespace prog

extern "C" int32_t terminateProcessThread() {
    prog::terminateProcessById();
    return 0;
}

#if defined(_WIN32) && !defined(TESSALY_FREESTANDING)
// Hosted on Windows (tessaly-retime.exe): the compiler keeps the registers of
// the Windows convention its callers use.
extern "C" int32_t vxSubroutineWrapper() { return terminateProcessThread(); }
#else
// The wrapper keeps, for the library thread that calls it, the general
// registers a called function must preserve and the SSE and x87 control
// words, and runs the subroutine with strings forward. Six pushes and 24
// bytes keep the stack 16-byte aligned at the call.
__asm__(
    "\t.text\n"
    "\t.globl vxSubroutineWrapper\n"
    "\t.type vxSubroutineWrapper, @function\n"
    "vxSubroutineWrapper:\n"
    "\tpushq %rbx\n"
    "\tpushq %rbp\n"
    "\tpushq %r12\n"
    "\tpushq %r13\n"
    "\tpushq %r14\n"
    "\tpushq %r15\n"
    "\tsubq $24, %rsp\n"
    "\tstmxcsr (%rsp)\n"
    "\tfnstcw 4(%rsp)\n"
    "\tcld\n"
    "\tcall terminateProcessThread\n"
    "\tldmxcsr (%rsp)\n"
    "\tfldcw 4(%rsp)\n"
    "\taddq $24, %rsp\n"
    "\tpopq %r15\n"
    "\tpopq %r14\n"
    "\tpopq %r13\n"
    "\tpopq %r12\n"
    "\tpopq %rbp\n"
    "\tpopq %rbx\n"
    "\tret\n"
    "\t.size vxSubroutineWrapper, .-vxSubroutineWrapper\n");
#endif
