// The variables addressed relative to the code, which cannot work: they lie
// apart from the image.
#include <stdint.h>
extern "C" void vxEntryRoutine() {
    uint64_t p;
    __asm__ volatile("leaq __vx_var(%%rip), %0" : "=r"(p));
    (void)p;
}
