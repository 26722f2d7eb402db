// An instruction that reads through the address table in a form that cannot
// be made direct (a compare against the table entry).
#include <stdint.h>
extern "C" int vxEntryRoutine(uint64_t v) {
    int r;
    __asm__ volatile("cmpq vxConstData@GOTPCREL(%%rip), %1\n\tsete %b0\n\tmovzbl %b0, %0" : "=r"(r) : "r"(v));
    return r;
}
