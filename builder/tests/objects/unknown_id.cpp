// A control id that the main window does not have.
#include "runtime/program_base.h"
extern "C" uint32_t vxEntryRoutine() { return VX_ID(16019999); }
