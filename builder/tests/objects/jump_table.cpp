// A switch compiled to a jump table: a table of code addresses in read-only
// data (this file is compiled with jump tables allowed).
extern "C" void vxEntryRoutine() {}
extern "C" int pick(int x) {
    switch (x) {
        case 0: return 11;
        case 1: return 27;
        case 2: return 35;
        case 3: return 48;
        case 4: return 51;
        case 5: return 69;
        case 6: return 73;
        case 7: return 86;
        default: return 0;
    }
}
