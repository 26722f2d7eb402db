// A program without its entry routine.
extern "C" int notTheEntry() { return 1; }
