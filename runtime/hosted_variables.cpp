// Hosted builds: the program-level variables live in the test or tool's own
// memory, zeroed at start as the kernel library hands them to the image.
#include "runtime/program_variables.h"

namespace prog {
namespace {
ProgramVariables gVariables;
}  // namespace

ProgramVariables* vars() { return &gVariables; }

}  // namespace prog
