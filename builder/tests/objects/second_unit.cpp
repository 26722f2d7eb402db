// A second translation unit, joined to the first by `ld -r` as the program
// object is: calls across units are resolved by the image builder.
#include <stdint.h>

extern "C" double hourInMilliseconds();

extern "C" double threeHours() { return 3 * hourInMilliseconds(); }

// The routine's address loaded through the address table, as code compiled
// for position independence does; the builder makes it a relative load.
extern "C" uint64_t hourRoutineThroughTable() {
    uint64_t p;
    __asm__("movq hourInMilliseconds@GOTPCREL(%%rip), %0" : "=r"(p));
    return p;
}
