// The routines the kernel library reaches by address: the entry routine (the
// image header points at it), the exit routine releasing the program-level
// variables, and the subroutine wrapper handed to the thread library.
#pragma once

#include <stdint.h>

extern "C" {
// Called once by the kernel library after loading; ends the process.
void vxEntryRoutine();
// Gives the three cue lists their empty blocks.
void setUpGlobals();
// The exit routine: frees every block the program-level variables hold.
void releaseGlobals();
// The program's start-up subroutine, run before the main window is loaded.
int32_t startUpSubroutine();
}
