// Routines the linker tests link into a small image and then run: each
// exercises one kind of reference the builder must place.
#include "runtime/const_table.h"
#include "runtime/program_base.h"
#include "runtime/program_variables.h"

extern "C" {

void vxEntryRoutine() {}

// A double of the fixed table, loaded relative to the code.
double hourInMilliseconds() { return prog::constDouble(image::kConstMsPerHour); }

// The address of a text of the fixed table.
const char* orderMessage() { return prog::constText(image::kConstOrderMessage); }

// Constants of the compiled code's own, in its read-only data; the absolute
// value takes a 16-byte aligned mask.
double scaled(double x) { return x * 1.25 + 0.5; }
double magnitude(double x) { return __builtin_fabs(x); }

// Identifiers written into the code.
uint32_t mainWindowId() { return VX_ID(52010001); }
uint32_t resultBoxId() { return VX_ID(160119E1); }
uint32_t terminateCommand() { return VX_DLL(1); }
uint32_t threadLibrary() { return VX_LIB(5); }
uint32_t editBoxKind() { return VX_KIND(00010005); }

// The variables' memory.
void storeCursor(int32_t v) { prog::vars()->cursor = v; }

// Helper slots through the stubs.
uint64_t kernelTextLength(const char* text) {
    vx::ArgList<1> args;
    args.args[0] = prog::argText(text);
    return vxCallKernel(vx::kCmdTextLength, reinterpret_cast<const vx::ArgListHeader*>(&args));
}
void release(void* block) { vxFree(block); }

// A routine's absolute address.
uint64_t ownAddress() { return VX_CODE_ADDR(hourInMilliseconds); }

// A call inside the code.
double twoHours() { return 2 * hourInMilliseconds(); }
}
