// A 64-bit absolute reference: the image holds only 32-bit ones.
#include <stdint.h>
extern "C" uint64_t vxEntryRoutine() {
    uint64_t p;
    __asm__ volatile("movabsq $vxConstData, %0" : "=r"(p));
    return p;
}
