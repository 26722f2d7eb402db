// Hosted builds of the program-side code: each helper slot calls through the
// table that the test or tool handed to useHelperTable (the kernel library's
// own table). In the image the same names are stubs at the end of the code.
#include <cstdlib>

#include "runtime/program_base.h"

namespace prog {
namespace {
const vx::HelperTable* gTable = nullptr;
}  // namespace

void useHelperTable(const vx::HelperTable* t) { gTable = t; }
const vx::HelperTable* helperTable() { return gTable; }

}  // namespace prog

namespace {
const vx::HelperTable& table() {
    // A hosted caller that handed over no table cannot run program code.
    if (!prog::helperTable()) __builtin_trap();
    return *prog::helperTable();
}
}  // namespace

extern "C" {
void vxReportError(int32_t code) {
    table().reportError(code);
    std::abort();  // the slot never returns
}
uint64_t vxCallDll(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    return table().callDll(index, a0, a1, a2);
}
uint64_t vxCallLibrary(uint32_t libraryIndex, uint32_t commandTimes4, const vx::ArgListHeader* args) {
    return table().callLibrary(libraryIndex, commandTimes4, args);
}
uint64_t vxCallKernel(uint32_t offset, const vx::ArgListHeader* args) {
    return table().callKernel(offset, args);
}
uint64_t vxGetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t minusOne) {
    return table().getProperty(windowId, controlId, property, minusOne);
}
void vxSetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t minusOne,
                   uint32_t value, uint32_t high) {
    table().setProperty(windowId, controlId, property, minusOne, value, high);
}
void* vxAllocate(uint32_t bytes) { return table().allocate(bytes); }
void* vxReallocate(void* block, uint32_t bytes) { return table().reallocate(block, bytes); }
void vxFree(void* block) { table().free(block); }
void vxEndProcess(int32_t exitCode) {
    table().endProcess(exitCode);
    std::abort();  // the slot never returns
}
int32_t vxRunMessageLoop(int32_t zero) { return table().runMessageLoop(zero); }
int32_t vxLoadWindow(uint32_t windowId) { return table().loadWindow(windowId); }
uint64_t vxService(uint32_t number, uint64_t a, uint64_t b) { return table().service(number, a, b); }
}
