// A call of a routine that the program does not define.
extern "C" int missingRoutine();
extern "C" void vxEntryRoutine() { missingRoutine(); }
