// A shared object that opens but is no support library: it lacks the export.
extern "C" __attribute__((visibility("default"))) int coretestNothingHere() { return 0; }
