// A program that defines a helper slot's name itself.
extern "C" void vxFree(void*) {}
extern "C" void vxEntryRoutine() {}
